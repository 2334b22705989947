#include "webbarview.h"

#include "publishedarchive.h"

#include "platform/runtimeerror.h"

#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QLoggingCategory>
#include <QMenu>
#include <QMimeDatabase>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace Corvane::Host {

const char WebBarView::kScheme[] = "pads";

namespace {

Q_LOGGING_CATEGORY(lcWebBar, "corvane.host.webbar")

// Schemes a page of the view may load besides the archive's: the notes
// (data:) and what a page's scripts make in memory (blob:).
bool isLocalScheme(const QString &scheme)
{
    return scheme == QLatin1String(WebBarView::kScheme) || scheme == QLatin1String("data") ||
           scheme == QLatin1String("blob") || scheme == QLatin1String("about");
}

// Serves the archive's entries to the view's pages.
class ArchiveSchemeHandler final : public QWebEngineUrlSchemeHandler
{
public:
    explicit ArchiveSchemeHandler(WebBarView &view)
        : QWebEngineUrlSchemeHandler(&view)
        , m_view(view)
    {
    }

    void requestStarted(QWebEngineUrlRequestJob *job) override
    {
        const QUrl url = job->requestUrl();
        std::optional<QByteArray> bytes = m_view.read(url);
        if (!bytes) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        const QMimeType mime =
            QMimeDatabase().mimeTypeForFile(m_view.entryOf(url), QMimeDatabase::MatchExtension);
        auto *buffer = new QBuffer(job);
        buffer->setData(std::move(*bytes));
        buffer->open(QIODevice::ReadOnly);
        job->reply(mime.name().toLatin1(), buffer);
    }

private:
    WebBarView &m_view;
};

// Keeps every request of the view's pages on the machine: what is not
// local is not loaded, whoever asks for it (a picture, a script, a frame,
// a fetch).
class LocalRequestsOnly final : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (isLocalScheme(info.requestUrl().scheme()))
            return;
        qCDebug(lcWebBar, "not loaded: %s", qPrintable(info.requestUrl().toDisplayString()));
        info.block(true);
    }
};

} // namespace

// A page of the view: its navigations are the view's to accept, and a new
// window it asks for is one navigation handed to the view.
class WebBarPage final : public QWebEnginePage
{
public:
    WebBarPage(QWebEngineProfile *profile, WebBarView &view, bool popup)
        : QWebEnginePage(profile, &view)
        , m_view(view)
        , m_popup(popup)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        if (!m_popup)
            return m_view.acceptNavigation(url, type == NavigationTypeLinkClicked, isMainFrame);
        // A link to a new window: it opens in the view, or on the desktop.
        if (m_view.acceptNavigation(url, type == NavigationTypeLinkClicked, true))
            m_view.setUrl(url);
        deleteLater();
        return false;
    }

    QWebEnginePage *createWindow(WebWindowType) override
    {
        return new WebBarPage(profile(), m_view, true);
    }

private:
    WebBarView &m_view;
    bool m_popup;
};

void WebBarView::prepareApplication()
{
#if defined(Q_OS_UNIX)
    // Chromium's sandbox refuses to start as root; other users keep it.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (QWebEngineUrlScheme::schemeByName(kScheme).name().isEmpty()) {
        QWebEngineUrlScheme scheme(kScheme);
        scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
        scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme);
        QWebEngineUrlScheme::registerScheme(scheme);
    }
}

WebBarView::WebBarView(QWidget *parent)
    : QWebEngineView(parent)
    , m_profile(new QWebEngineProfile(this)) // off the record: nothing stored on disk
{
    setObjectName(QStringLiteral("webBarView"));
    m_profile->installUrlSchemeHandler(kScheme, new ArchiveSchemeHandler(*this));
    m_profile->setUrlRequestInterceptor(new LocalRequestsOnly(m_profile));
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest *download) {
                // Files known to be no page (documents, downloads) are not saved.
                const QString entry = entryOf(download->url());
                download->cancel();
                showNote(tr("<p>The file %1 cannot be shown in the web bar.</p>")
                             .arg(entry.toHtmlEscaped()));
            });
    setPage(new WebBarPage(m_profile, *this, false));
    connect(this, &QWebEngineView::loadFinished, this, [this] {
        if (std::exchange(m_newHistory, false))
            history()->clear();
    });
}

WebBarView::~WebBarView()
{
    delete page(); // before its profile
    // The profile and the handler go with the view's children, after its
    // members: a request the engine starts meanwhile must not reach the
    // archive, which is gone by then.
    m_profile->removeAllUrlSchemeHandlers();
}

void WebBarView::setArchive(std::shared_ptr<const PublishedArchive> archive)
{
    m_archive = std::move(archive);
    m_host = QStringLiteral("archive%1").arg(++m_archives);
}

QUrl WebBarView::urlOf(const QString &entryName) const
{
    QUrl url;
    url.setScheme(QLatin1String(kScheme));
    url.setHost(m_host);
    url.setPath(QLatin1Char('/') + entryName);
    return url;
}

QString WebBarView::entryOf(const QUrl &url) const
{
    if (url.scheme() != QLatin1String(kScheme) || url.host() != m_host)
        return {};
    return url.path(QUrl::FullyDecoded).mid(1);
}

std::optional<QByteArray> WebBarView::read(const QUrl &url) const
{
    const QString entry = entryOf(url);
    if (!m_archive || entry.isEmpty())
        return std::nullopt;
    try {
        return m_archive->read(entry, kMaxEntrySize);
    } catch (const Platform::RuntimeError &error) {
        qCWarning(lcWebBar, "%s", qPrintable(error.description()));
    }
    return std::nullopt;
}

void WebBarView::showPage(const QString &entryName, const QString &queryAndFragment)
{
    QUrl url = urlOf(entryName);
    const qsizetype hash = queryAndFragment.indexOf(QLatin1Char('#'));
    if (queryAndFragment.startsWith(QLatin1Char('?')))
        url.setQuery(queryAndFragment.mid(1, hash < 0 ? -1 : hash - 1));
    if (hash >= 0)
        url.setFragment(queryAndFragment.mid(hash + 1));
    m_newHistory = true;
    setUrl(url);
}

void WebBarView::showNote(const QString &html)
{
    // In the window's font and colours, as the rest of the window.
    const QPalette colours = palette();
    m_newHistory = true;
    setHtml(QStringLiteral("<html><head><style>body { font-family: '%1'; font-size: %2pt; "
                           "color: %3; background: %4 }</style></head><body>%5</body></html>")
                .arg(font().family(), QString::number(font().pointSizeF()),
                     colours.color(QPalette::Text).name(), colours.color(QPalette::Base).name(),
                     html));
}

bool WebBarView::acceptNavigation(const QUrl &url, bool linkClicked, bool mainFrame)
{
    if (url.scheme() == QLatin1String(kScheme)) {
        const QString entry = entryOf(url);
        if (!mainFrame || (m_archive && !entry.isEmpty() && !m_archive->entryName(entry).isEmpty()))
            return true;
        const QString name = url.path(QUrl::FullyDecoded).mid(1);
        QMetaObject::invokeMethod(
            this,
            [this, name] {
                showNote(tr("<p>The page %1 is not in the published action pads.</p>")
                             .arg(name.toHtmlEscaped()));
            },
            Qt::QueuedConnection);
        return false;
    }
    if (isLocalScheme(url.scheme()))
        return true;
    if (linkClicked)
        QDesktopServices::openUrl(url);
    return false;
}

void WebBarView::contextMenuEvent(QContextMenuEvent *event)
{
    // Only what stays inside the view: no saving, no source, no new windows.
    QMenu *menu = createStandardContextMenu();
    const QList<QAction *> kept{
        pageAction(QWebEnginePage::Back),      pageAction(QWebEnginePage::Forward),
        pageAction(QWebEnginePage::Reload),    pageAction(QWebEnginePage::Copy),
        pageAction(QWebEnginePage::SelectAll), pageAction(QWebEnginePage::CopyImageToClipboard)};
    for (QAction *action : menu->actions()) {
        if (!kept.contains(action))
            menu->removeAction(action);
    }
    if (menu->isEmpty()) {
        delete menu;
        return;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace Corvane::Host

// What the host looks up when it loads this library (WebBarBrowser).
extern "C" Q_DECL_EXPORT void corvane_webbar_prepare()
{
    Corvane::Host::WebBarView::prepareApplication();
}

extern "C" Q_DECL_EXPORT Corvane::Host::WebBarBrowser *corvane_webbar_create()
{
    return new Corvane::Host::WebBarView;
}
