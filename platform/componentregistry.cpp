#include "componentregistry.h"

#include "runtimeerror.h"

#include <QFileInfo>
#include <QLibrary>
#include <QSettings>

#if defined(Q_OS_WIN)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace Corvane::Platform {

namespace {

const QString kSource = QStringLiteral("ComponentRegistry");

// Registrations live in the user's native settings store:
// the registry on Windows, ~/.config/Corvane/Components.conf elsewhere.
QSettings registryStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                     QStringLiteral("Components"));
}

QString storeKey(const QString &classId)
{
    // Class identifiers are compared without regard to case.
    return QStringLiteral("Classes/") + classId.toLower() + QStringLiteral("/InprocServer");
}

std::unique_ptr<QLibrary> openLibrary(const QString &path)
{
    // The library stays loaded for the life of the process, as in-process servers
    // do: deleting the QLibrary object does not unload it.
    auto library = std::make_unique<QLibrary>(path);
    library->setLoadHints(QLibrary::ExportExternalSymbolsHint);
    if (!library->load())
        raiseError(ErrorNumber::CannotCreateObject, kSource,
                   QStringLiteral("cannot load the component library %1 (%2)")
                       .arg(path, library->errorString()));
    return library;
}

} // namespace

ComponentRegistry &ComponentRegistry::instance()
{
    static ComponentRegistry registry;
    return registry;
}

void ComponentRegistry::registerServer(const QString &classId, const QString &libraryPath)
{
    QSettings store = registryStore();
    store.setValue(storeKey(classId), QFileInfo(libraryPath).absoluteFilePath());
    store.setValue(QStringLiteral("Classes/") + classId.toLower() + QStringLiteral("/Name"),
                   classId);
    store.sync();
}

void ComponentRegistry::unregisterServer(const QString &classId)
{
    QSettings store = registryStore();
    store.remove(QStringLiteral("Classes/") + classId.toLower());
    store.sync();
}

QString ComponentRegistry::serverPath(const QString &classId) const
{
    return registryStore().value(storeKey(classId)).toString();
}

QStringList ComponentRegistry::registeredServers() const
{
    QSettings store = registryStore();
    store.beginGroup(QStringLiteral("Classes"));
    QStringList names;
    for (const QString &group : store.childGroups())
        names.append(store.value(group + QStringLiteral("/Name"), group).toString());
    return names;
}

void ComponentRegistry::registerLibrary(const QString &libraryPath)
{
    if (!QFileInfo::exists(libraryPath))
        raiseError(ErrorNumber::FileNotFound, kSource, libraryPath);
    const std::unique_ptr<QLibrary> library = openLibrary(libraryPath);
    auto registerServer =
        reinterpret_cast<DllRegisterServerFunction>(library->resolve("DllRegisterServer"));
    if (!registerServer)
        raiseError(ErrorNumber::CannotCreateObject, kSource,
                   QStringLiteral("%1 exports no DllRegisterServer").arg(libraryPath));
    if (registerServer() != 0)
        raiseError(ErrorNumber::CannotCreateObject, kSource,
                   QStringLiteral("DllRegisterServer of %1 failed").arg(libraryPath));
}

void ComponentRegistry::unregisterLibrary(const QString &libraryPath)
{
    if (!QFileInfo::exists(libraryPath))
        raiseError(ErrorNumber::FileNotFound, kSource, libraryPath);
    const std::unique_ptr<QLibrary> library = openLibrary(libraryPath);
    auto unregisterServer =
        reinterpret_cast<DllUnregisterServerFunction>(library->resolve("DllUnregisterServer"));
    if (!unregisterServer || unregisterServer() != 0)
        raiseError(ErrorNumber::CannotCreateObject, kSource,
                   QStringLiteral("DllUnregisterServer of %1 failed").arg(libraryPath));
}

void ComponentRegistry::registerFactory(const QString &classId, ComponentFactory factory)
{
    m_factories.insert(classId.toLower(), std::move(factory));
}

void ComponentRegistry::unregisterFactory(const QString &classId)
{
    m_factories.remove(classId.toLower());
}

bool ComponentRegistry::isRegistered(const QString &classId) const
{
    return m_factories.contains(classId.toLower()) || !serverPath(classId).isEmpty();
}

std::unique_ptr<QObject> ComponentRegistry::create(const QString &classId) const
{
    const auto factory = m_factories.constFind(classId.toLower());
    if (factory != m_factories.cend())
        return std::unique_ptr<QObject>((*factory)());

    const QString path = serverPath(classId);
    if (path.isEmpty())
        raiseError(ErrorNumber::CannotCreateObject, kSource,
                   QStringLiteral("the class \"%1\" is not registered").arg(classId));
    const std::unique_ptr<QLibrary> library = openLibrary(path);
    auto getClassObject =
        reinterpret_cast<DllGetClassObjectFunction>(library->resolve("DllGetClassObject"));
    if (!getClassObject)
        raiseError(ErrorNumber::CannotCreateObject, kSource,
                   QStringLiteral("%1 exports no DllGetClassObject").arg(path));
    const QByteArray id = classId.toLatin1();
    ComponentCreateFunction createFunction = getClassObject(id.constData());
    if (!createFunction)
        raiseError(ErrorNumber::CannotCreateObject, kSource,
                   QStringLiteral("%1 does not serve the class \"%2\"").arg(path, classId));
    std::unique_ptr<QObject> object(createFunction());
    if (!object)
        raiseError(ErrorNumber::CannotCreateObject, kSource,
                   QStringLiteral("the class \"%1\" could not be created").arg(classId));
    return object;
}

QString modulePath(const void *address)
{
#if defined(Q_OS_WIN)
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module))
        return {};
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, buffer, MAX_PATH);
    return QString::fromWCharArray(buffer, static_cast<int>(length));
#else
    Dl_info info{};
    if (dladdr(address, &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath();
#endif
}

} // namespace Corvane::Platform
