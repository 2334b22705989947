#pragma once

#include "host/api/addinconnection.h"

#include <QObject>
#include <QPointer>

namespace Corvane::Host {
class IApplication;
class IPages;
} // namespace Corvane::Host
namespace Corvane::Platform {
class EventStatus;
}

namespace Brimble {

// The add-in's connection class, "CorvaneBrimble.Addin".
class Addin final : public QObject, public Corvane::Host::IDTExtensibility2
{
    Q_OBJECT
    Q_INTERFACES(Corvane::Host::IDTExtensibility2)
public:
    explicit Addin(QObject *parent = nullptr);
    ~Addin() override;

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
    QPointer<Corvane::Host::IApplication> m_Application;
};

} // namespace Brimble
