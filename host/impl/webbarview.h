#pragma once

#include "webbarbrowser.h"

#include <QWebEngineView>

#include <memory>
#include <optional>

class QWebEngineProfile;

#if defined(CORVANE_WEBBAR_LIBRARY)
#define CORVANE_WEBBAR_EXPORT Q_DECL_EXPORT
#else
#define CORVANE_WEBBAR_EXPORT Q_DECL_IMPORT
#endif

namespace Corvane::Host {

// The web bar's page view: a browser view of the published action pad
// archive. It shows the archive's pages under URLs of the form
// pads://archive<n>/<entry name>, served from the archive itself, so that
// the pages' style sheets, pictures, scripts and links resolve among
// themselves and a page reads its location's query as a browser gives it.
// Nothing leaves the machine: requests of any other scheme are not loaded,
// and a link that leads out of the archive opens in the desktop's browser.
// It makes the library corvane-webbar, which the host loads when it shows a
// web bar (WebBarBrowser).
class CORVANE_WEBBAR_EXPORT WebBarView final : public QWebEngineView, public WebBarBrowser
{
    Q_OBJECT
public:
    explicit WebBarView(QWidget *parent = nullptr);
    ~WebBarView() override;
    Q_DISABLE_COPY_MOVE(WebBarView)

    // Prepares the process for the view; call it before the QApplication is
    // created. It registers the archive's URL scheme, and, when the process
    // runs as root, turns off the browser's sandbox, which cannot start as
    // root.
    static void prepareApplication();

    QWidget *widget() override { return this; }
    // Each archive gets URLs of its own (archive<n>, n counting the
    // archives), so that nothing loaded from an earlier one is taken for its pages.
    void setArchive(std::shared_ptr<const PublishedArchive> archive) override;
    void showPage(const QString &entryName, const QString &queryAndFragment = {}) override;
    void showNote(const QString &html) override;

    // The entry of the archive shown that an URL of this view names; empty
    // for any other URL.
    QString entryOf(const QUrl &url) const;
    // The bytes of the entry that the URL names; nullopt when the archive
    // shown has no such entry, or it cannot be read (reported on the web
    // bar's logging category).
    std::optional<QByteArray> read(const QUrl &url) const;
    // Entries larger than this are not loaded.
    static constexpr qint64 kMaxEntrySize = 32 * 1024 * 1024;

    static const char kScheme[];

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QUrl urlOf(const QString &entryName) const;
    // A navigation of the page: whether it may load in the view.
    bool acceptNavigation(const QUrl &url, bool linkClicked, bool mainFrame);

    friend class WebBarPage;

    QWebEngineProfile *m_profile;
    std::shared_ptr<const PublishedArchive> m_archive;
    QString m_host;
    int m_archives = 0;
    bool m_newHistory = false; // the history begins anew with the next page loaded
};

} // namespace Corvane::Host
