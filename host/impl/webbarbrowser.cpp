#include "webbarbrowser.h"

#include "platform/componentregistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLibrary>

namespace Corvane::Host {

namespace {

const char kModuleAnchor = 0;

// The view's library, in corvane/ below the host's library folder (lib/ of
// the build tree, or the installed library folder). Loaded once, never unloaded: its widgets
// and the browser engine live as long as the process.
QLibrary &library()
{
    static QLibrary *const loaded = [] {
        auto *library = new QLibrary(QFileInfo(Platform::modulePath(&kModuleAnchor))
                                         .absoluteDir()
                                         .filePath(QStringLiteral("corvane/corvane-webbar")));
        library->setLoadHints(QLibrary::PreventUnloadHint);
        library->load();
        return library;
    }();
    return *loaded;
}

template <typename Function> Function *resolve(const char *name)
{
    return reinterpret_cast<Function *>(library().resolve(name));
}

// Stands in for the view when its library cannot be loaded: the notes are
// shown, and in place of a page the reason why none can be.
class MissingBrowser final : public QLabel, public WebBarBrowser
{
public:
    explicit MissingBrowser(const QString &reason)
        : m_reason(reason)
    {
        setObjectName(QStringLiteral("webBarView"));
        setWordWrap(true);
        setAlignment(Qt::AlignTop | Qt::AlignLeft);
        setTextFormat(Qt::RichText);
    }

    QWidget *widget() override { return this; }
    void setArchive(std::shared_ptr<const PublishedArchive>) override {}
    void showPage(const QString &entryName, const QString &) override
    {
        showNote(QCoreApplication::translate(
                     "Corvane::Host::WebBar",
                     "<p>The page %1 cannot be shown: the web bar's browser could not "
                     "be loaded (%2).</p>")
                     .arg(entryName.toHtmlEscaped(), m_reason.toHtmlEscaped()));
    }
    void showNote(const QString &html) override { setText(html); }

private:
    QString m_reason;
};

} // namespace

void WebBarBrowser::prepareApplication()
{
    if (auto *prepare = resolve<void()>("corvane_webbar_prepare"))
        prepare();
}

WebBarBrowser *WebBarBrowser::create()
{
    if (auto *make = resolve<WebBarBrowser *()>("corvane_webbar_create"))
        return make();
    qWarning("the web bar's browser could not be loaded: %s", qPrintable(library().errorString()));
    return new MissingBrowser(library().errorString());
}

} // namespace Corvane::Host
