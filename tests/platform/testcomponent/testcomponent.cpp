// The test component library: one class, "CorvaneTest.Counter", served through
// DllRegisterServer / DllUnregisterServer / DllGetClassObject / DllCanUnloadNow.
#include "platform/componentserver.h"

#include <QObject>

using namespace Corvane::Platform;

namespace {

class Counter final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Value READ value WRITE setValue)
public:
    int value() const { return m_value; }
    void setValue(int value) { m_value = value; }
    Q_INVOKABLE int Increment(int by)
    {
        m_value += by;
        return m_value;
    }

private:
    int m_value = 7;
};

ComponentServer::ObjectCounter &objects()
{
    static ComponentServer::ObjectCounter counter;
    return counter;
}

QObject *createCounter()
{
    return objects().track(new Counter);
}

const ComponentClass kClasses[] = {
    {"CorvaneTest.Counter", &createCounter},
};

} // namespace

extern "C" Q_DECL_EXPORT int DllRegisterServer()
{
    return ComponentServer::registerClasses(kClasses, reinterpret_cast<const void *>(&objects));
}

extern "C" Q_DECL_EXPORT int DllUnregisterServer()
{
    return ComponentServer::unregisterClasses(kClasses);
}

extern "C" Q_DECL_EXPORT ComponentCreateFunction DllGetClassObject(const char *classId)
{
    return ComponentServer::findClass(kClasses, classId);
}

extern "C" Q_DECL_EXPORT int DllCanUnloadNow()
{
    return objects().canUnloadNow();
}

#include "testcomponent.moc"
