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

CORVANE_COMPONENT_SERVER(kClasses, objects())

#include "testcomponent.moc"
