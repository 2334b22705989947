#include "addin/applicationmanager.h"

#include "addin/resourcemanager.h"
#include "addin/vbdebug.h"

#include "host/api/application.h"
#include "host/api/database.h"
#include "host/api/settingsnode.h"
#include "host/api/utility.h"

#include "platform/componentregistry.h"
#include "platform/paths.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QPointer>

#include <array>
#include <memory>

using Corvane::Platform::ComponentRegistry;
using Corvane::Platform::raiseError;
namespace ErrorNumber = Corvane::Platform::ErrorNumber;
namespace Paths = Corvane::Platform::Paths;

namespace Brimble::ApplicationManager {

namespace {

const QString kSource = QStringLiteral("ApplicationManager");

// The connected host application. A guarded pointer: the host owns the object,
// and a host that goes away without disconnecting leaves "not initialised".
QPointer<Corvane::Host::IApplication> g_application;

// The shared utility object, kept for the life of the library.
std::unique_ptr<QObject> g_utility;

Corvane::Host::IDatabase &requireDatabase()
{
    Corvane::Host::IDatabase *database = GetDatabase();
    if (!database)
        raiseError(ErrorNumber::ObjectRequired, kSource,
                   QStringLiteral("no database is open in the host; open a database first"));
    return *database;
}

bool startsWithFolder(const QString &fileName, const QString &folder)
{
    return fileName.left(folder.size()).compare(folder, Qt::CaseInsensitive) == 0;
}

template <typename Interface>
std::unique_ptr<QObject> createHostObject(const char *classId, Interface *&typed)
{
    std::unique_ptr<QObject> object = ComponentRegistry::instance().create(QLatin1String(classId));
    typed = qobject_cast<Interface *>(object.get());
    if (!typed)
        raiseError(ErrorNumber::TypeMismatch, kSource,
                   QStringLiteral("the class \"%1\" does not offer the host's interface")
                       .arg(QLatin1String(classId)));
    return object;
}

} // namespace

QString developerFolder()
{
    return QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/CorvaneBrimble/web/"));
}

void SetApplication(Corvane::Host::IApplication *application)
{
    g_application = application;
}

Corvane::Host::IApplication *GetApplication()
{
    return g_application.data();
}

bool IsInitialized()
{
    return !g_application.isNull();
}

Corvane::Host::IDatabase *GetDatabase()
{
    return g_application ? g_application->ActiveDatabase() : nullptr;
}

Corvane::Host::IUtility &Utility()
{
    if (!g_utility) {
        Corvane::Host::IUtility *typed = nullptr;
        g_utility = createHostObject(Corvane::Host::ClassId::Utility, typed);
    }
    return *qobject_cast<Corvane::Host::IUtility *>(g_utility.get());
}

QString GetActionPadFolder()
{
    if (IsInitialized())
        return g_application->WebFolder();
    VBDebug::DebugPrint(
        QStringLiteral("Error: Application is not initialized, use debug value WebFolder"));
    return developerFolder();
}

QString AddTrailingSeparator(const QString &text)
{
    if (text.isEmpty())
        return text;
    const QChar separator = IsUrl(text) ? QLatin1Char('/') : Paths::separator();
    return text.endsWith(separator) ? text : text + separator;
}

bool IsUrl(const QString &text)
{
    static const std::array<QString, 4> prefixes = {
        QStringLiteral("RES://"), QStringLiteral("HTTP://"), QStringLiteral("HTTPS://"),
        QStringLiteral("FILE://")};
    for (const QString &prefix : prefixes) {
        if (text.left(prefix.size()).toUpper() == prefix)
            return true;
    }
    return false;
}

QString ResolveActionPadFile(const QString &fileName)
{
    Corvane::Host::IUtility &utility = Utility();
    if (utility.FileExists(fileName))
        return fileName;
    const QString joined = GetActionPadFolder() + fileName;
    if (utility.FileExists(joined))
        return joined;
    return fileName;
}

QString MakeRelativeToFolder(const QString &fileName, const QString &folder)
{
    const QString base = folder.isEmpty() ? GetActionPadFolder() : folder;
    if (base.isEmpty())
        return fileName;
    if (startsWithFolder(fileName, base))
        return fileName.mid(base.size());
    return fileName;
}

QString BrowseForActionPad(const QString &currentLocation, const QString &startFolder,
                           const QString &proposedName, QString &chosenFile)
{
    Corvane::Host::IFileOpenDialog *dialog = nullptr;
    const std::unique_ptr<QObject> holder =
        createHostObject(Corvane::Host::ClassId::FileOpenDialog, dialog);

    dialog->setFilter(ResourceManager::GetText(QStringLiteral("BrowseForActionPadFilter"), {}));
    if (!currentLocation.isEmpty() && !IsUrl(currentLocation)) {
        dialog->setFileName(ResolveActionPadFile(currentLocation));
    } else {
        QString directory = startFolder.isEmpty() ? GetActionPadFolder() : startFolder;
        if (IsUrl(directory))
            directory.clear();
        dialog->setFileName(directory + proposedName + QStringLiteral(".htm"));
    }

    const int result = dialog->Show();
    const QString selection = result == 1 ? dialog->FileName() : QString();
    chosenFile = MakeRelativeToFolder(selection, {});
    return QString::number(result);
}

QString AddinSettingsPath(const QString &section)
{
    return QStringLiteral("Addins\\CorvaneAdministration\\") + section;
}

QString GetWebBarUrl()
{
    return requireDatabase()
        .Settings()
        ->Node(QStringLiteral("WebBar"))
        ->Value(QStringLiteral("URL"))
        .toString();
}

QString GetOverviewUrl()
{
    return requireDatabase()
        .Settings()
        ->Node(QStringLiteral("Overview"))
        ->Value(QStringLiteral("URL"))
        .toString();
}

void SaveAddinSetting(const QString &section, const QString &key, const QVariant &value)
{
    requireDatabase().Settings()->Node(AddinSettingsPath(section))->SetValue(key, value);
}

QVariant GetAddinSetting(const QString &section, const QString &key, const QVariant &defaultValue)
{
    return requireDatabase()
        .Settings()
        ->Node(AddinSettingsPath(section))
        ->GetValue(key, defaultValue);
}

} // namespace Brimble::ApplicationManager
