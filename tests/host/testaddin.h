#pragma once

// A small add-in and configuration page for the host's tests. Both write what
// happens to them to the debugger output ("probePage.Apply"), where a test's
// DebugCapture reads it. Built into the tests and into the probe add-in library.

#include "host/api/addinconnection.h"
#include "host/api/propertypage.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace Corvane::Host {
class IApplication;
class IPages;
} // namespace Corvane::Host
namespace Corvane::Platform {
class EventStatus;
}

namespace HostTest {

// Writes the line to the debugger output.
void record(const QString &line);

class RecordingPage final : public QWidget, public Corvane::Host::IPropertyPage
{
    Q_OBJECT
    Q_INTERFACES(Corvane::Host::IPropertyPage)
public:
    explicit RecordingPage(const QString &name) { setObjectName(name); }

    void Apply() override { record(objectName() + ".Apply"); }
    void Cancel() override { record(objectName() + ".Cancel"); }
    void Activate() override { record(objectName() + ".Activate"); }
    void Deactivate() override { record(objectName() + ".Deactivate"); }
    bool Dirty() const override { return false; }
    QString Caption() const override { return "Caption of " + objectName(); }
    QString Description() const override { return {}; }
    QIcon Icon() const override { return {}; }
};

struct AddinBehaviour
{
    QStringList pages{};            // pages added at BeforeConfigure, by name
    bool failConnection = false;    // OnConnection fails
    bool addNonPage = false;        // also hands the dialog an object that is no page
    QString failConfigure{};        // BeforeConfigure fails with this description after adding
    bool cancel = false;            // BeforeConfigure sets Cancel
    bool failDisconnection = false; // OnDisconnection throws a standard library exception
};

class TestAddin final : public QObject, public Corvane::Host::IDTExtensibility2
{
    Q_OBJECT
    Q_INTERFACES(Corvane::Host::IDTExtensibility2)
public:
    explicit TestAddin(AddinBehaviour behaviour);

    void OnConnection(QObject *Application, qint32 ConnectMode, QObject *AddInInst,
                      QVariantList &custom) override;
    void OnDisconnection(qint32 RemoveMode, QVariantList &custom) override;
    void OnAddInsUpdate(QVariantList &custom) override;
    void OnStartupComplete(QVariantList &custom) override;
    void OnBeginShutdown(QVariantList &custom) override;

private slots:
    void m_Application_BeforeConfigure(Corvane::Host::IPages *Pages, bool *Cancel,
                                       Corvane::Platform::EventStatus *status);

private:
    AddinBehaviour m_behaviour;
    QPointer<Corvane::Host::IApplication> m_Application;
};

} // namespace HostTest
