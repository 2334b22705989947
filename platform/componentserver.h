#pragma once

#include "componentregistry.h"

#include <QObject>

#include <atomic>
#include <initializer_list>

namespace Corvane::Platform {

// Helpers behind a component library's four exports. A library lists its
// classes once, counts the objects its factories hand out, and writes the
// exports with CORVANE_COMPONENT_SERVER (end of this file):
//
//   const ComponentClass kClasses[] = {{"Acme.Widget", &createWidget}};
//   CORVANE_COMPONENT_SERVER(kClasses, objectCounter())
struct ComponentClass
{
    const char *classId;
    ComponentCreateFunction create;
};

namespace ComponentServer {

// Registers every class of the table under the path of the module holding `anchor`.
template <std::size_t N> int registerClasses(const ComponentClass (&classes)[N], const void *anchor)
{
    const QString path = modulePath(anchor);
    if (path.isEmpty())
        return 1;
    for (const ComponentClass &c : classes)
        ComponentRegistry::instance().registerServer(QString::fromLatin1(c.classId), path);
    return 0;
}

template <std::size_t N> int unregisterClasses(const ComponentClass (&classes)[N])
{
    for (const ComponentClass &c : classes)
        ComponentRegistry::instance().unregisterServer(QString::fromLatin1(c.classId));
    return 0;
}

template <std::size_t N>
ComponentCreateFunction findClass(const ComponentClass (&classes)[N], const char *classId)
{
    if (!classId)
        return nullptr;
    const QLatin1String wanted(classId);
    for (const ComponentClass &c : classes)
        if (QLatin1String(c.classId).compare(wanted, Qt::CaseInsensitive) == 0)
            return c.create;
    return nullptr;
}

// Counts live objects of a library, for DllCanUnloadNow: track() every object
// a factory hands out; canUnloadNow() is 0 when none is alive.
class ObjectCounter
{
public:
    QObject *track(QObject *object)
    {
        m_alive.fetch_add(1);
        QObject::connect(object, &QObject::destroyed, [this] { m_alive.fetch_sub(1); });
        return object;
    }
    int canUnloadNow() const { return m_alive.load() == 0 ? 0 : 1; }
    int alive() const { return m_alive.load(); }

private:
    std::atomic<int> m_alive{0};
};

} // namespace ComponentServer
} // namespace Corvane::Platform

// The four exports of a component library, DllRegisterServer,
// DllUnregisterServer, DllGetClassObject and DllCanUnloadNow, over the class
// table `classes` and the ObjectCounter `counter` (an expression, evaluated at
// each call). Use it once, at namespace scope, in one source file of the library.
#define CORVANE_COMPONENT_SERVER(classes, counter)                                                 \
    extern "C" Q_DECL_EXPORT int DllRegisterServer()                                               \
    {                                                                                              \
        return ::Corvane::Platform::ComponentServer::registerClasses(                              \
            classes, reinterpret_cast<const void *>(&DllRegisterServer));                          \
    }                                                                                              \
    extern "C" Q_DECL_EXPORT int DllUnregisterServer()                                             \
    {                                                                                              \
        return ::Corvane::Platform::ComponentServer::unregisterClasses(classes);                   \
    }                                                                                              \
    extern "C" Q_DECL_EXPORT ::Corvane::Platform::ComponentCreateFunction DllGetClassObject(       \
        const char *classId)                                                                       \
    {                                                                                              \
        return ::Corvane::Platform::ComponentServer::findClass(classes, classId);                  \
    }                                                                                              \
    extern "C" Q_DECL_EXPORT int DllCanUnloadNow()                                                 \
    {                                                                                              \
        return (counter).canUnloadNow();                                                           \
    }
