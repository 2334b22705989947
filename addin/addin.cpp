#include "addin/addin.h"

#include "addin/applicationmanager.h"
#include "addin/ui.h"
#include "addin/vbdebug.h"

#include "host/api/application.h"

#include "platform/componentregistry.h"
#include "platform/eventstatus.h"
#include "platform/latebinding.h"
#include "platform/programsettings.h"
#include "platform/runtimeerror.h"

using Corvane::Platform::raiseError;
namespace ErrorNumber = Corvane::Platform::ErrorNumber;

namespace Brimble {

namespace {

const QString kSource = QStringLiteral("CorvaneBrimble.Addin");
const QString kPageClassId = QStringLiteral("CorvaneBrimble.ucActionPadEditor");

// Number of the add-in's own error when no database is open.
constexpr std::int32_t kNoDatabase = 513;

} // namespace

Addin::Addin(QObject *parent)
    : QObject(parent)
{
}

Addin::~Addin() = default;

void Addin::OnConnection(QObject *Application, qint32 ConnectMode, QObject *AddInInst,
                         QVariantList &custom)
{
    Q_UNUSED(ConnectMode)
    Q_UNUSED(AddInInst)
    Q_UNUSED(custom)

    Corvane::Platform::LateBinding::call(Application, "SplashMessage", {kSource});

    auto *application = qobject_cast<Corvane::Host::IApplication *>(Application);
    if (!application)
        raiseError(ErrorNumber::TypeMismatch, kSource,
                   QStringLiteral("the object passed to OnConnection (%1) is not the host's "
                                  "application")
                       .arg(QLatin1String(Application->metaObject()->className())));
    if (m_Application)
        disconnect(m_Application, nullptr, this, nullptr);
    m_Application = application;
    connect(m_Application, &Corvane::Host::IApplication::BeforeConfigure, this,
            &Addin::m_Application_BeforeConfigure);

    ApplicationManager::SetApplication(m_Application);
}

void Addin::OnDisconnection(qint32 RemoveMode, QVariantList &custom)
{
    Q_UNUSED(RemoveMode)
    Q_UNUSED(custom)

    ApplicationManager::SetApplication(nullptr);
    if (m_Application)
        disconnect(m_Application, nullptr, this, nullptr);
    m_Application = nullptr;
}

void Addin::OnAddInsUpdate(QVariantList &custom)
{
    Q_UNUSED(custom)
}

void Addin::OnStartupComplete(QVariantList &custom)
{
    Q_UNUSED(custom)
}

void Addin::OnBeginShutdown(QVariantList &custom)
{
    Q_UNUSED(custom)
}

void Addin::m_Application_BeforeConfigure(Corvane::Host::IPages *Pages, bool *Cancel,
                                          Corvane::Platform::EventStatus *status)
{
    Q_UNUSED(Cancel)

    Corvane::Platform::runHandler(status, [&] {
        // Written under the flag as it stood before this event.
        VBDebug::DebugPrint(QStringLiteral("*** m_Application_BeforeConfigure: settings should be "
                                           "saved under corvane (registry)"));

        const QString debug = Corvane::Platform::ProgramSettings::getSetting(
            QStringLiteral("CorvaneAdministration"), QStringLiteral("General"),
            QStringLiteral("Debug"), QStringLiteral("true"));
        VBDebug::SetDebugFlag(Corvane::Platform::toBooleanStrict(debug));

        if (!ApplicationManager::GetDatabase())
            UI::RaiseAddinError(kNoDatabase);

        if (!m_Application)
            raiseError(ErrorNumber::ObjectRequired, kSource,
                       QStringLiteral("the host application is gone"));
        Corvane::Host::IConfigurationContext *context = m_Application->ConfigurationContext();
        if (!context)
            raiseError(ErrorNumber::ObjectRequired, kSource,
                       QStringLiteral("the host gives no configuration context"));
        if (!context->AllowsConfiguration())
            return;

        std::unique_ptr<QObject> page =
            Corvane::Platform::ComponentRegistry::instance().create(kPageClassId);
        if (!Pages)
            raiseError(ErrorNumber::ObjectRequired, kSource,
                       QStringLiteral("BeforeConfigure came without a page collection"));
        Pages->Add(page.get());
        page.release(); // the dialog owns the page now
    });
}

} // namespace Brimble
