#include "hostsession.h"

#include "databaseaccess.h"
#include "invocation.h"

#include "dravo/engine.h"
#include "host/impl/database.h"
#include "host/impl/hostclasses.h"
#include "host/impl/hosttranslations.h"

#include <QDir>

namespace Corvane::Admin {

HostSession::HostSession(const Invocation &invocation, bool unattended)
{
    Host::registerHostClasses();
    m_application.setUnattended(unattended);
    if (invocation.has(QStringLiteral("language")))
        m_application.setLanguage(invocation.value(QStringLiteral("language")));
    // The host's texts and Qt's own buttons in the language the add-ins speak.
    Host::HostTranslations::install(m_application.Language());
    m_application.setDatabase(
        std::make_unique<Host::Database>(openExistingDatabase(invocation.database)));
    // Action pad locations may be relative to the web folder, and the add-in
    // checks them as the file system does: relative to the current folder.
    const QString webFolder = m_application.WebFolder();
    if (!webFolder.isEmpty() && QDir(webFolder).exists())
        QDir::setCurrent(webFolder);
    m_addins = std::make_unique<Host::AddinManager>(m_application);
    m_addins->connectAll();
}

// The add-ins (declared last) go first.
HostSession::~HostSession() = default;

} // namespace Corvane::Admin
