#include "addinmanager.h"

#include "application.h"

#include "host/api/addinconnection.h"
#include "platform/componentregistry.h"
#include "platform/runtimeerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QMap>
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

// Class identifier -> library path, as the registry holds them.
QHash<QString, QString> registeredPaths()
{
    const auto &registry = Platform::ComponentRegistry::instance();
    QHash<QString, QString> paths;
    for (const QString &classId : registry.registeredServers())
        paths.insert(classId, registry.serverPath(classId));
    return paths;
}

// The libraries of the registry, as canonical paths.
QSet<QString> registeredLibraries()
{
    QSet<QString> paths;
    for (const QString &path : registeredPaths())
        paths.insert(canonical(path));
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

// What went wrong, for the exception being handled: an add-in may throw
// anything, and none of it may end the host.
QString currentFailure()
{
    try {
        throw;
    } catch (const Platform::RuntimeError &error) {
        return error.description();
    } catch (const std::exception &error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("an exception of an unknown kind");
    }
}

} // namespace

AddinManager::AddinManager(Application &application, const QStringList &folders)
    : m_application(application)
{
    QSet<QString> seen;
    for (const QString &folder : folders) {
        const QString path = QDir(folder).absolutePath();
        if (!seen.contains(canonical(path))) {
            seen.insert(canonical(path));
            m_folders.append(path);
        }
    }
}

AddinManager::~AddinManager()
{
    disconnectAll();
}

QStringList AddinManager::defaultFolders()
{
    QStringList folders =
        qEnvironmentVariable("CORVANE_ADDIN_DIR").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    // The install rules put the add-ins in CORVANE_ADDIN_FOLDER_FROM_PROGRAM,
    // relative to the installed program's folder; a build tree keeps every
    // library, the add-in's too, in lib/ beside bin/ (and has CMakeCache.txt
    // above bin/). Only that lib/ is searched, never an installed lib folder:
    // every library found is loaded to look for its registration export.
    const QDir program(QCoreApplication::applicationDirPath());
    const QString installed = program.filePath(QStringLiteral(CORVANE_ADDIN_FOLDER_FROM_PROGRAM));
    if (QFileInfo(installed).isDir())
        folders.append(installed);
    else if (QFileInfo::exists(program.filePath(QStringLiteral("../CMakeCache.txt"))))
        folders.append(program.filePath(QStringLiteral("../lib")));
    for (QString &folder : folders)
        folder = QDir::cleanPath(QDir(folder).absolutePath());
    return folders;
}

QStringList AddinManager::registerNewcomers()
{
    QStringList registered;
    const QHash<QString, QString> before = registeredPaths();
    const QSet<QString> known = registeredLibraries();
    // As with PATH, a library in an earlier folder hides one of the same name
    // in a later folder: the two would take each other's classes on every start.
    QSet<QString> names;
    for (const QString &folder : std::as_const(m_folders)) {
        const QFileInfoList files =
            QDir(folder).entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Name);
        for (const QFileInfo &file : files) {
            const QString path = canonical(file.filePath());
            if (!QLibrary::isLibrary(path) || names.contains(file.fileName()))
                continue;
            names.insert(file.fileName());
            if (known.contains(path) || !exportsRegistration(path))
                continue;
            try {
                Platform::ComponentRegistry::instance().registerLibrary(path);
                registered.append(path);
            } catch (const Platform::RuntimeError &error) {
                report(QStringLiteral("The add-in library %1 could not be registered: %2")
                           .arg(QDir::toNativeSeparators(path), error.description()));
            }
        }
    }
    // A class that a newcomer took over was registered elsewhere before: the
    // add-in moved, or another copy of it is installed. One line a library.
    const QHash<QString, QString> after = registeredPaths();
    QMap<std::pair<QString, QString>, QStringList> takenOver; // (old, new) -> classes
    for (auto entry = before.cbegin(); entry != before.cend(); ++entry) {
        const QString now = after.value(entry.key());
        if (!now.isEmpty() && !entry.value().isEmpty() && now != entry.value())
            takenOver[{entry.value(), now}].append(entry.key());
    }
    for (auto change = takenOver.begin(); change != takenOver.end(); ++change) {
        change->sort(Qt::CaseInsensitive);
        report(QStringLiteral("Registered again from %1: %2 (registered from %3 before)")
                   .arg(QDir::toNativeSeparators(change.key().second),
                        change->join(QStringLiteral(", ")),
                        QDir::toNativeSeparators(change.key().first)));
    }
    dropVanished();
    return registered;
}

void AddinManager::dropVanished()
{
    auto &registry = Platform::ComponentRegistry::instance();
    QMap<QString, QStringList> classesOfLibrary;
    const QHash<QString, QString> paths = registeredPaths();
    for (auto entry = paths.cbegin(); entry != paths.cend(); ++entry) {
        if (!entry.value().isEmpty() && !QFileInfo::exists(entry.value()))
            classesOfLibrary[entry.value()].append(entry.key());
    }
    for (auto library = classesOfLibrary.begin(); library != classesOfLibrary.end(); ++library) {
        library->sort(Qt::CaseInsensitive);
        for (const QString &classId : std::as_const(*library))
            registry.unregisterServer(classId);
        report(
            QStringLiteral("The component library %1 is gone; its registration (%2) is "
                           "dropped")
                .arg(QDir::toNativeSeparators(library.key()), library->join(QStringLiteral(", "))));
    }
}

QStringList AddinManager::addinClasses() const
{
    const auto &registry = Platform::ComponentRegistry::instance();
    QSet<QString> canonicalFolders;
    for (const QString &folder : m_folders)
        canonicalFolders.insert(canonical(folder));
    QStringList classes;
    for (const QString &classId : registry.registeredServers()) {
        if (!classId.endsWith(kAddinSuffix, Qt::CaseInsensitive))
            continue;
        if (canonicalFolders.contains(
                QFileInfo(canonical(registry.serverPath(classId))).absolutePath()))
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
        } catch (...) {
            report(QStringLiteral("The add-in %1 failed to complete its start: %2")
                       .arg(addin->classId, currentFailure()));
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
    } catch (...) {
        report(QStringLiteral("The add-in %1 could not be connected and is left out: %2")
                   .arg(classId, currentFailure()));
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
        } catch (...) {
            report(QStringLiteral("The add-in %1 failed to disconnect: %2")
                       .arg(addin->classId, currentFailure()));
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
