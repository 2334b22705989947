#include "application.h"

#include "database.h"
#include "messageboxstyle.h"
#include "unattendedmode.h"

#include "dravo/engine.h"
#include "platform/componentregistry.h"
#include "platform/runtimeerror.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

namespace Corvane::Host {

namespace Internal {

// Configuration is allowed while a database is open that this session may change.
class ConfigurationContext final : public IConfigurationContext
{
public:
    explicit ConfigurationContext(Application &application)
        : m_application(application)
    {
    }
    bool AllowsConfiguration() const override
    {
        Database *database = m_application.database();
        return database && database->isWritable();
    }

private:
    Application &m_application;
};

} // namespace Internal

namespace {

const QString kSource = QStringLiteral("Application");

Qt::CursorShape cursorFor(int pointer)
{
    switch (pointer) {
    case 1:
        return Qt::ArrowCursor;
    case MousePointerCode::Hourglass:
        return Qt::WaitCursor;
    case 13:
        return Qt::BusyCursor; // arrow and hourglass
    default:
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, kSource,
                             QStringLiteral("the mouse pointer code %1 is not supported (0 "
                                            "default, 1 arrow, 11 hourglass, 13 arrow and "
                                            "hourglass)")
                                 .arg(pointer));
    }
}

bool hasCursor()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

} // namespace

Application::Application(QObject *parent)
    : IApplication(parent)
    , m_context(std::make_unique<Internal::ConfigurationContext>(*this))
{
    setObjectName(QStringLiteral("Application"));
    const QByteArray verbose = qgetenv("CORVANE_VERBOSE");
    m_verbose = !verbose.isEmpty() && verbose != "0";
}

Application::~Application()
{
    delete m_unattended;
    if (m_pointer != MousePointerCode::Default && hasCursor())
        QGuiApplication::restoreOverrideCursor();
}

QString Application::title()
{
    return QStringLiteral("Corvane Administration");
}

void Application::SplashMessage(const QString &message)
{
    if (m_verbose)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    emit splashMessageShown(message);
}

QString Application::ApplicationTitle() const
{
    return title();
}

QString Application::Language() const
{
    if (!m_language.isEmpty())
        return m_language;
    const QString fromEnvironment = qEnvironmentVariable("CORVANE_LANGUAGE").trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString language = QLocale::system().name().section(QLatin1Char('_'), 0, 0).toLower();
    return language.size() == 2 ? language : QStringLiteral("en");
}

IDatabase *Application::ActiveDatabase()
{
    return m_database.get();
}

IConfigurationContext *Application::ConfigurationContext()
{
    return m_context.get();
}

void Application::setMousePointer(int pointer)
{
    if (pointer == m_pointer)
        return;
    if (hasCursor()) {
        if (pointer == MousePointerCode::Default)
            QGuiApplication::restoreOverrideCursor();
        else if (m_pointer == MousePointerCode::Default)
            QGuiApplication::setOverrideCursor(cursorFor(pointer));
        else
            QGuiApplication::changeOverrideCursor(cursorFor(pointer));
    } else if (pointer != MousePointerCode::Default) {
        cursorFor(pointer); // the same codes are refused without a screen
    }
    m_pointer = pointer;
}

std::shared_ptr<QObject> Application::CreateObject(const QString &classId)
{
    return Platform::ComponentRegistry::instance().create(classId);
}

QString Application::WebFolder() const
{
    if (!m_database)
        return {};
    const QString folder = QDir::toNativeSeparators(m_database->engine().webFolder());
    if (folder.isEmpty() || folder.endsWith(QDir::separator()))
        return folder;
    return folder + QDir::separator();
}

int Application::MessageBox(const QString &prompt, int style, const QString &title, const QString &,
                            const QString &, const QString &, const QString &)
{
    if (UnattendedMode *unattended = unattendedMode())
        return unattended->answerMessage(prompt, style);
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        // No screen to ask on: say it on standard error and take the default.
        std::fprintf(stderr, "%s\n", UnattendedMode::oneLine(prompt).toLocal8Bit().constData());
        return MessageBoxStyle::defaultAnswer(style);
    }

    const QList<MessageBoxStyle::Button> buttons = MessageBoxStyle::buttons(style);
    QMessageBox box(MessageBoxStyle::icon(style), title.isEmpty() ? ApplicationTitle() : title,
                    prompt, QMessageBox::NoButton, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("hostMessageBox"));
    for (const MessageBoxStyle::Button &button : buttons)
        box.addButton(button.button);
    box.setDefaultButton(buttons.at(MessageBoxStyle::defaultIndex(style)).button);
    if (style & MessageBoxCode::SetForeground)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const MessageBoxStyle::Button &button : buttons) {
        if (button.button == pressed)
            return button.answer;
    }
    return MessageBoxStyle::defaultAnswer(style);
}

void Application::openDatabase(const QString &location)
{
    setDatabase(Database::open(location));
}

void Application::setDatabase(std::unique_ptr<Database> database)
{
    m_database = std::move(database);
}

void Application::closeDatabase()
{
    m_database.reset();
}

void Application::setUnattended(bool on)
{
    UnattendedMode *current = unattendedMode();
    if (on && !current)
        m_unattended = new UnattendedMode(QCoreApplication::instance());
    else if (!on)
        delete current;
}

UnattendedMode *Application::unattendedMode() const
{
    return UnattendedMode::of(QCoreApplication::instance());
}

} // namespace Corvane::Host
