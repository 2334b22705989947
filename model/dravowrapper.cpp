#include "model/dravowrapper.h"

#include "addin/applicationmanager.h"

#include "host/api/application.h"
#include "host/api/database.h"
#include "host/api/datafile.h"

#include "platform/latebinding.h"
#include "platform/runtimeerror.h"

#include <memory>

using Corvane::Platform::raiseError;
namespace ErrorNumber = Corvane::Platform::ErrorNumber;
namespace LateBinding = Corvane::Platform::LateBinding;

namespace Brimble {

namespace {

const QString kSource = QStringLiteral("DravoWrapper");

Corvane::Host::IApplication &requireApplication()
{
    Corvane::Host::IApplication *application = ApplicationManager::GetApplication();
    if (!application)
        raiseError(ErrorNumber::ObjectRequired, kSource,
                   QStringLiteral("the data engine is reached through the host; connect the "
                                  "add-in to the host first"));
    return *application;
}

Corvane::Host::IDatabase &requireDatabase()
{
    Corvane::Host::IDatabase *database = ApplicationManager::GetDatabase();
    if (!database)
        raiseError(ErrorNumber::ObjectRequired, kSource,
                   QStringLiteral("no database is open in the host; open a database first"));
    return *database;
}

// A new "Dravo.File", opened on the database's action pad file for changes.
// Releasing it without Close (after a failure) saves nothing.
std::shared_ptr<QObject> openActionPadFile(Corvane::Host::IDravoFile *&file)
{
    std::shared_ptr<QObject> object =
        requireApplication().CreateObject(QLatin1String(Corvane::Host::ClassId::DravoFile));
    file = qobject_cast<Corvane::Host::IDravoFile *>(object.get());
    if (!file)
        raiseError(ErrorNumber::TypeMismatch, kSource,
                   QStringLiteral("the host's \"%1\" is not the data engine's file object")
                       .arg(QLatin1String(Corvane::Host::ClassId::DravoFile)));
    file->Open(ApplicationManager::GetDatabase(), Corvane::Host::IDravoFile::ActionPadFile,
               Corvane::Host::IDravoFile::ForUpdate, nullptr);
    return object;
}

} // namespace

DravoWrapper::DravoWrapper(QObject *parent)
    : QObject(parent)
{
}

DravoWrapper::~DravoWrapper() = default;

void DravoWrapper::SetFileAttribute(const QString &attributeName, const QString &attributeValue)
{
    Corvane::Host::IDravoFile *file = nullptr;
    const std::shared_ptr<QObject> holder = openActionPadFile(file);
    file->SetAttribute(attributeName, QVariant(attributeValue));
    file->Save();
    file->Close();
}

void DravoWrapper::UpdateActionPadFile(const QString &Filename)
{
    Corvane::Host::IDravoFile *file = nullptr;
    const std::shared_ptr<QObject> holder = openActionPadFile(file);
    file->LoadFromFile(Filename);
    file->Save();
    file->Close();
}

void DravoWrapper::RefreshCache()
{
    const QString command = refreshCommand();
    const std::shared_ptr<QObject> component =
        requireApplication().CreateObject(QLatin1String(Corvane::Host::ClassId::DataUpdate));
    LateBinding::setProperty(component.get(), "Server", requireDatabase().ServerName());
    LateBinding::call(component.get(), "ExecuteProcedure",
                      {command, requireDatabase().DatabaseName(), false});
}

void DravoWrapper::SetTableAttribute(const QString &name, const QString &value)
{
    Q_UNUSED(name)
    Q_UNUSED(value)
}

QString DravoWrapper::refreshCommand()
{
    return QStringLiteral("<procedure name='qsp_refreshqdc' log='0' timeout='0'>") +
           QStringLiteral("</procedure>");
}

} // namespace Brimble
