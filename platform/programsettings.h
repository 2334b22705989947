#pragma once

#include "platform_global.h"

#include <QString>
#include <QVariant>

namespace Corvane::Platform {

// Per-user program settings (the registry on Windows, an INI file under the
// user's config folder elsewhere): application / section / key.
namespace ProgramSettings {

// The stored text, or `defaultValue` when the key is missing.
CORVANE_PLATFORM_EXPORT QString getSetting(const QString &application, const QString &section,
                                           const QString &key, const QString &defaultValue);
CORVANE_PLATFORM_EXPORT void saveSetting(const QString &application, const QString &section,
                                         const QString &key, const QString &value);
CORVANE_PLATFORM_EXPORT void deleteSetting(const QString &application, const QString &section,
                                           const QString &key);

} // namespace ProgramSettings

// The runtime's strict conversion of a text to a Boolean: "true"/"false" in any
// letter case, or a number (0 is false, every other number true), surrounding
// blanks allowed. Anything else is error 13 (type mismatch).
CORVANE_PLATFORM_EXPORT bool toBooleanStrict(const QString &text);

// The runtime's text for a Boolean: "True" or "False".
CORVANE_PLATFORM_EXPORT QString booleanText(bool value);

} // namespace Corvane::Platform
