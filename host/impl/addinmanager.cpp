#include "addinmanager.h"

#include "application.h"

#include "host/api/addinconnection.h"
#include "platform/componentregistry.h"
#include "platform/runtimeerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QSet>

namespace Corvane::Host {

struct AddinManager::Connected
{
    QString classId;
    std::unique_ptr<QObject> object;
    IDTExtensibility2 *connection = nullptr;
};

namespace {

const QString kAddinSuffix = QStringLiteral(".Addin");

QString canonical(const QString &path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QFileInfo(path).absoluteFilePath() : resolved;
}

// The libraries of the registry, as canonical paths.
QSet<QString> registeredLibraries()
{
    const auto &registry = Platform::ComponentRegistry::instance();
    QSet<QString> paths;
    for (const QString &classId : registry.registeredServers())
        paths.insert(canonical(registry.serverPath(classId)));
    return paths;
}

bool exportsRegistration(const QString &path)
{
    QLibrary library(path);
    if (!library.load())
        return false;
    const bool exports = library.resolve("DllRegisterServer") != nullptr;
    if (!exports)
        library.unload();
    return exports;
}

} // namespace

AddinManager::AddinManager(Application &application, const QString &folder)
    : m_application(application)
    , m_folder(QDir(folder).absolutePath())
{
}

AddinManager::~AddinManager()
{
    disconnectAll();
}

QString AddinManager::defaultFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("CORVANE_ADDIN_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../lib"));
}

QStringList AddinManager::registerNewcomers()
{
    QStringList registered;
    const QSet<QString> known = registeredLibraries();
    const QFileInfoList files =
        QDir(m_folder).entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo &file : files) {
        const QString path = canonical(file.filePath());
        if (!QLibrary::isLibrary(path) || known.contains(path) || !exportsRegistration(path))
            continue;
        try {
            Platform::ComponentRegistry::instance().registerLibrary(path);
            registered.append(path);
        } catch (const Platform::RuntimeError &error) {
            report(QStringLiteral("The add-in library %1 could not be registered: %2")
                       .arg(QDir::toNativeSeparators(path), error.description()));
        }
    }
    return registered;
}

QStringList AddinManager::addinClasses() const
{
    const auto &registry = Platform::ComponentRegistry::instance();
    const QString canonicalFolder = canonical(m_folder);
    QStringList classes;
    for (const QString &classId : registry.registeredServers()) {
        if (!classId.endsWith(kAddinSuffix, Qt::CaseInsensitive))
            continue;
        if (QFileInfo(canonical(registry.serverPath(classId))).absolutePath() == canonicalFolder)
            classes.append(classId);
    }
    classes.sort(Qt::CaseInsensitive);
    return classes;
}

void AddinManager::connectAll()
{
    registerNewcomers();
    for (const QString &classId : addinClasses()) {
        if (!connectedAddins().contains(classId, Qt::CaseInsensitive))
            connectAddin(classId);
    }
    QVariantList custom;
    for (const auto &addin : m_addins) {
        try {
            addin->connection->OnStartupComplete(custom);
        } catch (const Platform::RuntimeError &error) {
            report(QStringLiteral("The add-in %1 failed to complete its start: %2")
                       .arg(addin->classId, error.description()));
        }
    }
}

bool AddinManager::connectAddin(const QString &classId)
{
    auto addin = std::make_unique<Connected>();
    addin->classId = classId;
    try {
        addin->object = Platform::ComponentRegistry::instance().create(classId);
        addin->connection = qobject_cast<IDTExtensibility2 *>(addin->object.get());
        if (!addin->connection)
            Platform::raiseError(Platform::ErrorNumber::TypeMismatch,
                                 QStringLiteral("AddinManager"),
                                 QStringLiteral("the object does not offer the add-in connection "
                                                "interface IDTExtensibility2"));
        QVariantList custom;
        addin->connection->OnConnection(&m_application, ConnectMode::Startup, addin->object.get(),
                                        custom);
    } catch (const Platform::RuntimeError &error) {
        report(QStringLiteral("The add-in %1 could not be connected and is left out: %2")
                   .arg(classId, error.description()));
        return false;
    } catch (const std::exception &error) {
        report(QStringLiteral("The add-in %1 could not be connected and is left out: %2")
                   .arg(classId, QString::fromLocal8Bit(error.what())));
        return false;
    }
    m_application.SplashMessage(QStringLiteral("Add-in %1 connected").arg(classId));
    m_addins.push_back(std::move(addin));
    return true;
}

void AddinManager::disconnectAll()
{
    QVariantList custom;
    while (!m_addins.empty()) {
        const std::unique_ptr<Connected> addin = std::move(m_addins.back());
        m_addins.pop_back();
        try {
            addin->connection->OnBeginShutdown(custom);
            addin->connection->OnDisconnection(RemoveMode::HostShutdown, custom);
        } catch (const Platform::RuntimeError &error) {
            report(QStringLiteral("The add-in %1 failed to disconnect: %2")
                       .arg(addin->classId, error.description()));
        }
    }
}

QStringList AddinManager::connectedAddins() const
{
    QStringList classes;
    for (const auto &addin : m_addins)
        classes.append(addin->classId);
    return classes;
}

void AddinManager::report(const QString &text)
{
    m_application.MessageBox(text, MessageBoxCode::OkOnly | MessageBoxCode::Exclamation);
}

} // namespace Corvane::Host
