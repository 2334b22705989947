#pragma once

#include "platform_global.h"

#include <QString>

namespace Corvane::Platform {

// The user's temporary folder (QDir::tempPath(), honouring TMPDIR / TEMP),
// with a trailing separator.
CORVANE_PLATFORM_EXPORT QString tempFolder();

// Creates a new, empty, uniquely named file "<prefix>XXXXXX" in the temporary
// folder, atomically (no other process can get the same name), and returns its
// full path. Returns an empty text when the file cannot be created (the folder
// is missing, full or not writable).
CORVANE_PLATFORM_EXPORT QString createTempFile(const QString &prefix);

} // namespace Corvane::Platform
