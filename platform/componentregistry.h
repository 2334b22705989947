#pragma once

#include "platform_global.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace Corvane::Platform {

// Makes a new object of one class. The caller owns the result.
using ComponentFactory = std::function<QObject *()>;

// The exports of a component library (an in-process server), all extern "C":
//   int  DllRegisterServer();                     registers the library's classes; 0 on success
//   int  DllUnregisterServer();                   removes them; 0 on success
//   ComponentCreateFunction DllGetClassObject(const char *classId);  nullptr when unknown
//   int  DllCanUnloadNow();                       0 when no object of the library is alive
using ComponentCreateFunction = QObject *(*)();
using DllRegisterServerFunction = int (*)();
using DllUnregisterServerFunction = int (*)();
using DllGetClassObjectFunction = ComponentCreateFunction (*)(const char *classId);
using DllCanUnloadNowFunction = int (*)();

// Class identifier -> factory. Two kinds of registration:
// - persistent, per user: class identifier -> path of the component library that
//   serves it (kept with QSettings, native format, user scope, "Corvane"/"Components");
//   create() loads the library with QLibrary and asks its DllGetClassObject;
// - in-process: a factory registered by running code (the host's own classes),
//   valid for this process only and taking precedence over persistent entries.
class CORVANE_PLATFORM_EXPORT ComponentRegistry
{
public:
    static ComponentRegistry &instance();

    // Persistent registrations (used by the libraries' DllRegisterServer).
    void registerServer(const QString &classId, const QString &libraryPath);
    void unregisterServer(const QString &classId);
    QString serverPath(const QString &classId) const; // empty when not registered
    QStringList registeredServers() const;

    // Loads a component library and runs its DllRegisterServer / DllUnregisterServer.
    // Errors: 53 when the file is missing, 429 when it is no component library or
    // its registration fails.
    void registerLibrary(const QString &libraryPath);
    void unregisterLibrary(const QString &libraryPath);

    // In-process registrations.
    void registerFactory(const QString &classId, ComponentFactory factory);
    void unregisterFactory(const QString &classId);

    bool isRegistered(const QString &classId) const;

    // A new object of the class. Error 429 (with the class identifier named)
    // when the class is not registered or its library cannot serve it.
    std::unique_ptr<QObject> create(const QString &classId) const;

private:
    ComponentRegistry() = default;
    QHash<QString, ComponentFactory> m_factories;
};

// Path of the loaded module (executable or shared library) that holds `address`.
CORVANE_PLATFORM_EXPORT QString modulePath(const void *address);

} // namespace Corvane::Platform
