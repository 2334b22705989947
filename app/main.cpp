// corvane-admin: the Corvane administration tool. Without a command it opens
// the administration window; the commands set up, inspect and publish a
// database from the command line (see Invocation::usage).

#include "actionpadcommands.h"
#include "admincommands.h"
#include "hostsession.h"
#include "interruption.h"
#include "invocation.h"
#include "publishcommand.h"

#include "host/impl/mainwindow.h"
#include "host/impl/webbarbrowser.h"
#include "platform/debugoutput.h"
#include "platform/runtimeerror.h"
#include "platform/tempfile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTextStream>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <cstdio>
#include <memory>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

using namespace Corvane;
using Command = Admin::Invocation::Command;

namespace {

// One line on standard error: what failed and what to do.
void printError(const Platform::RuntimeError &error)
{
    QString text = error.description();
    const QString standard = Platform::standardDescription(error.number());
    if (!standard.isEmpty() && text.startsWith(standard + QStringLiteral(": ")))
        text.remove(0, standard.size() + 2);
    static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    text = text.trimmed().replace(lineBreaks, QStringLiteral(" "));
    std::fprintf(stderr, "corvane-admin: %s\n", text.toLocal8Bit().constData());
}

// Without a session's runtime folder Qt makes one itself and warns about it on
// standard error, which would break the one-line error contract. Make it as Qt would.
void ensureRuntimeFolder()
{
#if defined(Q_OS_UNIX)
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    // Only inside a temporary folder that exists: never a folder at the root.
    if (!QFileInfo(QDir::tempPath()).isDir())
        return;
    const QString folder =
        QDir::tempPath() + QStringLiteral("/runtime-") + QString::number(getuid());
    if (QDir().mkpath(folder) &&
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
#endif
}

int runGui(int &argc, char **argv, Admin::Invocation invocation)
{
    ensureRuntimeFolder();
    // The add-in's debug lines are for a debugger: they reach standard error
    // only when asked for, as with publish.
    if (qEnvironmentVariable("CORVANE_DEBUG_OUTPUT") != QLatin1String("stderr"))
        Platform::setDebugOutputSink([](const QByteArray &) {});
    Host::WebBarBrowser::prepareApplication();
    QApplication application(argc, argv);
    // Without --database (started from the desktop menu) the window asks for
    // the file, and says in a message box, not only on a terminal, why it
    // cannot open it.
    const bool asked = invocation.database.isEmpty();
    if (asked) {
        invocation.database = QFileDialog::getOpenFileName(
            nullptr, QObject::tr("Open a Corvane database"), QDir::homePath(),
            QObject::tr("Corvane databases (*.db *.sqlite *.sqlite3);;All files (*)"));
        if (invocation.database.isEmpty())
            return 0;
    }
    std::unique_ptr<Admin::HostSession> session;
    try {
        session = std::make_unique<Admin::HostSession>(invocation, false);
    } catch (const Platform::RuntimeError &error) {
        if (!asked)
            throw;
        printError(error);
        QMessageBox::critical(nullptr, Host::Application::title(), error.description());
        return 1;
    }
    Host::MainWindow window(session->application());
    window.show();
    return application.exec();
}

int runConsole(int &argc, char **argv, const Admin::Invocation &invocation)
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    switch (invocation.command) {
    case Command::Init:
        return Admin::AdminCommands::init(invocation, out);
    case Command::TableAdd:
        return Admin::AdminCommands::addTable(invocation, out);
    case Command::SettingsSet:
        return Admin::AdminCommands::setSetting(invocation);
    case Command::SettingsGet:
        return Admin::AdminCommands::getSetting(invocation, out);
    case Command::ActionPadsShow:
        return Admin::ActionPadCommands::show(invocation, out);
    case Command::ActionPadsExtract:
        return Admin::ActionPadCommands::extract(invocation, out);
    case Command::ActionPadsVerify:
        return Admin::ActionPadCommands::verify(invocation, out);
    default:
        return 2;
    }
}

} // namespace

int main(int argc, char **argv)
{
#if defined(__GLIBC__)
    // glibc gives each new thread an allocator arena of its own, up to eight
    // per core. The publish's threads (walker, compressors, the archive
    // listing) hand memory back and forth; in separate arenas what one frees
    // is not reused by the next, and a large tree's publish grows by that much.
    // Two arenas keep both cores' threads from queueing for one.
    mallopt(M_ARENA_MAX, 2);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("corvane-admin"));
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    try {
        const Admin::Invocation invocation = Admin::Invocation::parse(arguments);
        // These copy or make archives in the temporary folder: without one,
        // say so once, before Qt falls back to folders at the file system's root.
        if (invocation.command == Command::Gui || invocation.command == Command::Publish ||
            invocation.command == Command::ActionPadsShow ||
            invocation.command == Command::ActionPadsVerify) {
            const QString problem = Platform::tempFolderProblem();
            if (!problem.isEmpty())
                throw Platform::RuntimeError(Platform::ErrorNumber::PathFileAccessError,
                                             QStringLiteral("corvane-admin"), problem);
        }
        switch (invocation.command) {
        case Command::Help:
            std::fputs(Admin::Invocation::usage().toLocal8Bit().constData(), stdout);
            return 0;
        case Command::Gui:
            return runGui(argc, argv, invocation);
        case Command::Publish:
            Admin::Interruption::exitOnSignals();
            ensureRuntimeFolder();
            return Admin::PublishCommand::run(argc, argv, invocation);
        default:
            return runConsole(argc, argv, invocation);
        }
    } catch (const Admin::UsageError &error) {
        printError(error);
        return 2;
    } catch (const Platform::RuntimeError &error) {
        printError(error);
        return 1;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "corvane-admin: %s\n", error.what());
        return 1;
    }
}
