#pragma once

#include "host_global.h"

#include <QString>

// The host speaks the add-in's language: its own texts come from the Qt
// Linguist dictionary "corvane-host_<language>.qm" in the folder "translation"
// beside the host's library (where the add-in keeps its dictionaries too),
// and the texts of Qt's own dialogs and buttons from Qt's base translations
// "qtbase_<language>.qm" in Qt's translations folder.
namespace Corvane::Host::HostTranslations {

// The folder of the host's dictionaries.
CORVANE_HOST_EXPORT QString folder();

// Installs both dictionaries for the language ("de", "de_CH": also "de") in
// the application, in place of the ones installed before. A language without
// a dictionary leaves the English texts; that is no error.
CORVANE_HOST_EXPORT void install(const QString &language);

} // namespace Corvane::Host::HostTranslations
