#pragma once

#include "host/impl/addinmanager.h"
#include "host/impl/application.h"

#include <memory>

namespace Corvane::Admin {

struct Invocation;

// The host as the window and the publish command run it: the host's classes
// registered, the application with the database open, the add-ins connected.
// The add-ins are disconnected before the application goes.
class HostSession final
{
public:
    HostSession(const Invocation &invocation, bool unattended);
    ~HostSession();
    Q_DISABLE_COPY_MOVE(HostSession)

    Host::Application &application() { return m_application; }
    Host::AddinManager &addins() { return *m_addins; }

private:
    Host::Application m_application;
    std::unique_ptr<Host::AddinManager> m_addins;
};

} // namespace Corvane::Admin
