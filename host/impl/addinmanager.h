#pragma once

#include "host_global.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QObject;

namespace Corvane::Host {

class Application;
class IDTExtensibility2;

// Finds, registers and connects the add-ins.
//
// The add-in folder is CORVANE_ADDIN_DIR, else "../lib" beside the program.
// Every component library there that is not registered yet and exports
// DllRegisterServer is registered, so that a newly installed add-in needs no
// manual step. The add-ins are the registered classes whose identifier ends
// in ".Addin" and whose library lies in that folder; each is created by its
// class identifier and connected through IDTExtensibility2. An add-in that
// fails is reported through the application's message box and skipped.
class CORVANE_HOST_EXPORT AddinManager final
{
public:
    explicit AddinManager(Application &application, const QString &folder = defaultFolder());
    ~AddinManager(); // disconnects what is still connected
    Q_DISABLE_COPY_MOVE(AddinManager)

    static QString defaultFolder();
    QString folder() const { return m_folder; }

    // Registers the folder's newcomers; returns the paths it registered.
    QStringList registerNewcomers();
    // The add-in classes served from the folder, in name order.
    QStringList addinClasses() const;
    // registerNewcomers, then connect every add-in class; OnStartupComplete
    // follows for all that connected.
    void connectAll();
    // Creates and connects one add-in; false (reported) when it fails.
    bool connectAddin(const QString &classId);
    // OnBeginShutdown and OnDisconnection for every connected add-in, last first.
    void disconnectAll();

    QStringList connectedAddins() const;

private:
    struct Connected;
    void report(const QString &text);

    Application &m_application;
    QString m_folder;
    std::vector<std::unique_ptr<Connected>> m_addins;
};

} // namespace Corvane::Host
