#pragma once

#include "host_global.h"

#include <QString>

#include <memory>

class QWidget;

namespace Corvane::Host {

class PublishedArchive;

// The page view of the web bar, as the host sees it. The view that shows the
// pages as a browser does lives in a library of its own (corvane-webbar),
// loaded when a window first shows a web bar: it brings a browser engine
// that the command line and everything else of the tool can do without.
class CORVANE_HOST_EXPORT WebBarBrowser
{
public:
    virtual ~WebBarBrowser() = default;

    // The widget that shows the pages: this object itself, so that deleting
    // the widget (or its parent) deletes the view.
    virtual QWidget *widget() = 0;
    // The archive whose pages are shown (null: none).
    virtual void setArchive(std::shared_ptr<const PublishedArchive> archive) = 0;
    // Shows the archive's entry with the location's query and fragment
    // ("?tab=2#top", either part may be missing); a new page history begins with it.
    virtual void showPage(const QString &entryName, const QString &queryAndFragment = {}) = 0;
    // Shows a note (HTML) in place of a page and forgets the page history.
    virtual void showNote(const QString &html) = 0;

    // Loads the view's library and prepares the process for it; call it
    // before the QApplication is created, in a program that shows web bars.
    // A library that cannot be loaded is reported by create().
    static void prepareApplication();
    // A new view, owned through its widget; when its library cannot be
    // loaded, a view that says why in place of every page.
    static WebBarBrowser *create();
};

} // namespace Corvane::Host
