#pragma once

#include "host_global.h"

#include <QTextBrowser>

#include <memory>

namespace Corvane::Host {

class PublishedArchive;

// The web bar's page view. It shows pages of the published action pad
// archive under URLs of the form archive://a<n>/<entry name>, and
// reads their images, style sheets and linked pages from the same archive,
// never from the disk or the network. A link that leads out of the archive
// opens in the desktop's browser.
class CORVANE_HOST_EXPORT WebBarView final : public QTextBrowser
{
    Q_OBJECT
public:
    explicit WebBarView(QWidget *parent = nullptr);
    ~WebBarView() override;
    Q_DISABLE_COPY_MOVE(WebBarView)

    // The archive whose pages are shown (null: none). Each archive gets URLs
    // of its own (a<n>, n counting the archives), so that nothing loaded
    // from an earlier one is taken for its pages.
    void setArchive(std::shared_ptr<const PublishedArchive> archive);
    // Shows the archive's entry, scrolled to the fragment when one is given;
    // a new page history begins with it.
    void showPage(const QString &entryName, const QString &fragment = {});
    // Shows a note (HTML) in place of a page and forgets the page history.
    void showNote(const QString &html);

    // The entry an URL of this view names; empty for any other URL.
    QString entryOf(const QUrl &url) const;
    // Entries larger than this are not loaded.
    static constexpr qint64 kMaxEntrySize = 32 * 1024 * 1024;

    QVariant loadResource(int type, const QUrl &name) override;

protected:
    void doSetSource(const QUrl &name, QTextDocument::ResourceType type) override;

private:
    QUrl urlOf(const QString &entryName) const;

    std::shared_ptr<const PublishedArchive> m_archive;
    QString m_host;
    int m_archives = 0;
};

} // namespace Corvane::Host
