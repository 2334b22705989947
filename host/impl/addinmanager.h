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
// The add-in folders are found relative to the program: the installed folder
// (<libdir>/corvane/addins, reached from the program's bin folder) or, when the
// program runs from a build tree, the build's lib/ folder; plus the folders the
// user names in CORVANE_ADDIN_DIR (separated like PATH), searched first.
// Every component library there that is not registered yet and exports
// DllRegisterServer is registered, so that a newly installed add-in needs no
// manual step. Registrations are per user and name one library per class: a
// class that a library in the folders now serves from elsewhere (the add-in
// moved, or another copy is installed) is registered again at the new place,
// and a registration whose library is gone is dropped; each is said in one line
// through the application's message box. The add-ins are the registered classes
// whose identifier ends in ".Addin" and whose library lies in one of the
// folders; each is created by its class identifier and connected through
// IDTExtensibility2. An add-in that fails is reported the same way and skipped.
class CORVANE_HOST_EXPORT AddinManager final
{
public:
    explicit AddinManager(Application &application, const QStringList &folders = defaultFolders());
    ~AddinManager(); // disconnects what is still connected
    Q_DISABLE_COPY_MOVE(AddinManager)

    // CORVANE_ADDIN_DIR's folders, then the one beside the program, as absolute paths.
    static QStringList defaultFolders();
    QStringList folders() const { return m_folders; }

    // Registers the folders' newcomers, then drops the registrations whose
    // library is gone; returns the paths it registered.
    QStringList registerNewcomers();
    // The add-in classes served from the folders, in name order.
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
    void dropVanished();

    Application &m_application;
    QStringList m_folders;
    std::vector<std::unique_ptr<Connected>> m_addins;
};

} // namespace Corvane::Host
