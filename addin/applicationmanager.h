#pragma once

#include <QString>
#include <QVariant>

namespace Corvane::Host {
class IApplication;
class IDatabase;
class IUtility;
} // namespace Corvane::Host

// The add-in's application context: the connected host application, the open
// database, the action pad folder and the rules by which action pad locations
// (web addresses and file paths) are told apart, joined and shortened.
namespace Brimble::ApplicationManager {

// The folder used for action pads while no host is connected (the test form):
// "CorvaneBrimble/web/" in the user's home folder, absolute, in the platform's
// separators and ending with one.
QString developerFolder();

void SetApplication(Corvane::Host::IApplication *application);
Corvane::Host::IApplication *GetApplication();
bool IsInitialized();
// The application's ActiveDatabase; null when no application is stored.
Corvane::Host::IDatabase *GetDatabase();
// The host's shared utility object ("Corvane.Utility"), created through the
// component registry on first use and kept; error 429 when it cannot be created.
Corvane::Host::IUtility &Utility();

// The host's WebFolder; without a host the developer folder (and a debug line).
QString GetActionPadFolder();
QString AddTrailingSeparator(const QString &text);
bool IsUrl(const QString &text);
QString ResolveActionPadFile(const QString &fileName);
QString MakeRelativeToFolder(const QString &fileName, const QString &folder);
// Shows the host's file-open dialog; returns its result as decimal text ("1" for OK).
QString BrowseForActionPad(const QString &currentLocation, const QString &startFolder,
                           const QString &proposedName, QString &chosenFile);

// The settings-tree node of the add-in's settings for a section:
// "Addins\\CorvaneAdministration\\" + section.
QString AddinSettingsPath(const QString &section);

QString GetWebBarUrl();
QString GetOverviewUrl();
void SaveAddinSetting(const QString &section, const QString &key, const QVariant &value);
QVariant GetAddinSetting(const QString &section, const QString &key, const QVariant &defaultValue);

} // namespace Brimble::ApplicationManager
