#pragma once

#include "hostapi_global.h"

#include <QObject>
#include <QVariantList>

namespace Corvane::Host {

// The add-in connection interface: the host creates an add-in by class
// identifier and drives it through these five operations. Failures are thrown
// as Platform::RuntimeError.
class CORVANE_HOSTAPI_EXPORT IDTExtensibility2
{
public:
    virtual ~IDTExtensibility2();
    virtual void OnConnection(QObject *Application, qint32 ConnectMode, QObject *AddInInst,
                              QVariantList &custom) = 0;
    virtual void OnDisconnection(qint32 RemoveMode, QVariantList &custom) = 0;
    virtual void OnAddInsUpdate(QVariantList &custom) = 0;
    virtual void OnStartupComplete(QVariantList &custom) = 0;
    virtual void OnBeginShutdown(QVariantList &custom) = 0;
};

// ConnectMode / RemoveMode values the host passes.
namespace ConnectMode {
constexpr qint32 AfterStartup = 0;
constexpr qint32 Startup = 1;
} // namespace ConnectMode
namespace RemoveMode {
constexpr qint32 HostShutdown = 0;
constexpr qint32 UserClosed = 1;
} // namespace RemoveMode

} // namespace Corvane::Host

#define CorvaneHost_IDTExtensibility2_iid "org.corvane.Host.IDTExtensibility2/1.0"
Q_DECLARE_INTERFACE(Corvane::Host::IDTExtensibility2, CorvaneHost_IDTExtensibility2_iid)
