#include "webbarview.h"

#include "publishedarchive.h"

#include "platform/runtimeerror.h"

#include <QDesktopServices>
#include <QLoggingCategory>
#include <QMimeDatabase>
#include <QRegularExpression>

namespace Corvane::Host {

namespace {

Q_LOGGING_CATEGORY(lcWebBar, "corvane.host.webbar")

const QString kScheme = QStringLiteral("archive");

// Qt takes a linked style sheet only when the link says type="text/css",
// which pages written for today's browsers leave out: it is added. Tags are
// ASCII in every charset a page may use here, so the bytes are kept as they
// are through Latin-1.
QByteArray withStyleSheetTypes(const QByteArray &page)
{
    static const QRegularExpression link(
        QStringLiteral(R"(<link\b(?![^>]*\btype\s*=)([^>]*\brel\s*=\s*["']?stylesheet\b[^>]*)>)"),
        QRegularExpression::CaseInsensitiveOption);
    QString text = QString::fromLatin1(page);
    text.replace(link, QStringLiteral(R"(<link type="text/css"\1>)"));
    return text.toLatin1();
}

} // namespace

WebBarView::WebBarView(QWidget *parent)
    : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("webBarView"));
    setOpenExternalLinks(false);
}

WebBarView::~WebBarView() = default;

void WebBarView::setArchive(std::shared_ptr<const PublishedArchive> archive)
{
    m_archive = std::move(archive);
    m_host = QStringLiteral("a%1").arg(++m_archives);
}

QUrl WebBarView::urlOf(const QString &entryName) const
{
    QUrl url;
    url.setScheme(kScheme);
    url.setHost(m_host);
    url.setPath(QLatin1Char('/') + entryName);
    return url;
}

QString WebBarView::entryOf(const QUrl &url) const
{
    if (url.scheme() != kScheme)
        return {};
    return url.path(QUrl::FullyDecoded).mid(1);
}

void WebBarView::showPage(const QString &entryName, const QString &fragment)
{
    QUrl url = urlOf(entryName);
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    setSource(url, QTextDocument::HtmlResource);
    clearHistory();
}

void WebBarView::showNote(const QString &html)
{
    setHtml(html);
    clearHistory();
}

void WebBarView::doSetSource(const QUrl &name, QTextDocument::ResourceType type)
{
    if (name.isEmpty()) {
        QTextBrowser::doSetSource(name, type);
        return;
    }
    // Relative links are taken relative to the page shown, so that the
    // source always stays an absolute URL of the archive.
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (url.scheme() != kScheme) {
        QDesktopServices::openUrl(url);
        return;
    }
    const QString entry = entryOf(url);
    if (!m_archive || m_archive->entryName(entry).isEmpty()) {
        showNote(tr("<p>The page %1 is not in the published action pads.</p>")
                     .arg(entry.toHtmlEscaped()));
        return;
    }
    // A linked image is shown on its own; files known to be no text
    // (documents, downloads) cannot be shown here.
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(entry, QMimeDatabase::MatchExtension);
    if (mime.name().startsWith(QLatin1String("image/")))
        showNote(QStringLiteral("<img src=\"%1\">").arg(url.toString().toHtmlEscaped()));
    else if (mime.isDefault() || mime.inherits(QStringLiteral("text/plain")))
        QTextBrowser::doSetSource(url, type);
    else
        showNote(
            tr("<p>The file %1 cannot be shown in the web bar.</p>").arg(entry.toHtmlEscaped()));
}

QVariant WebBarView::loadResource(int type, const QUrl &name)
{
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    const QString entry = entryOf(url);
    if (!m_archive || entry.isEmpty())
        return {};
    try {
        if (const std::optional<QByteArray> bytes = m_archive->read(entry, kMaxEntrySize))
            return type == QTextDocument::HtmlResource ? withStyleSheetTypes(*bytes) : *bytes;
    } catch (const Platform::RuntimeError &error) {
        qCWarning(lcWebBar, "%s", qPrintable(error.description()));
    }
    return {};
}

} // namespace Corvane::Host
