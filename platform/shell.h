#pragma once

#include "platform_global.h"

#include <QString>

namespace Corvane::Platform::Shell {

// Opens the folder in the platform's file manager (explorer on Windows).
// Returns false when nothing could be asked to open it; callers may ignore it.
CORVANE_PLATFORM_EXPORT bool openFolder(const QString &folder);

} // namespace Corvane::Platform::Shell
