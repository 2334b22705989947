#include "testaddin.h"

#include <stdexcept>

#include "host/api/application.h"
#include "platform/debugoutput.h"
#include "platform/eventstatus.h"
#include "platform/latebinding.h"

namespace HostTest {

void record(const QString &line)
{
    Corvane::Platform::outputDebugString(line.toUtf8());
}

TestAddin::TestAddin(AddinBehaviour behaviour)
    : m_behaviour(std::move(behaviour))
{
}

void TestAddin::OnConnection(QObject *Application, qint32, QObject *, QVariantList &)
{
    record(QStringLiteral("OnConnection"));
    if (m_behaviour.failConnection)
        throw Corvane::Platform::RuntimeError(Corvane::Platform::componentError(1),
                                              QStringLiteral("TestAddin"),
                                              QStringLiteral("the test add-in refuses to connect"));
    Corvane::Platform::LateBinding::call(Application, "SplashMessage",
                                         {QStringLiteral("TestAddin")});
    m_Application = qobject_cast<Corvane::Host::IApplication *>(Application);
    connect(m_Application, &Corvane::Host::IApplication::BeforeConfigure, this,
            &TestAddin::m_Application_BeforeConfigure);
}

void TestAddin::OnDisconnection(qint32, QVariantList &)
{
    record(QStringLiteral("OnDisconnection"));
    if (m_behaviour.failDisconnection)
        throw std::runtime_error("the test add-in's disk is gone");
    if (m_Application)
        disconnect(m_Application, nullptr, this, nullptr);
    m_Application = nullptr;
}

void TestAddin::OnAddInsUpdate(QVariantList &) {}

void TestAddin::OnStartupComplete(QVariantList &)
{
    record(QStringLiteral("OnStartupComplete"));
}

void TestAddin::OnBeginShutdown(QVariantList &)
{
    record(QStringLiteral("OnBeginShutdown"));
}

void TestAddin::m_Application_BeforeConfigure(Corvane::Host::IPages *Pages, bool *Cancel,
                                              Corvane::Platform::EventStatus *status)
{
    Corvane::Platform::runHandler(status, [&] {
        for (const QString &name : std::as_const(m_behaviour.pages))
            Pages->Add(new RecordingPage(name));
        if (m_behaviour.addNonPage)
            Pages->Add(new QObject(this)); // refused: it stays ours
        if (!m_behaviour.failConfigure.isEmpty())
            throw Corvane::Platform::RuntimeError(Corvane::Platform::componentError(513),
                                                  QStringLiteral("TestAddin"),
                                                  m_behaviour.failConfigure);
        if (m_behaviour.cancel)
            *Cancel = true;
    });
}

} // namespace HostTest
