#pragma once

#include "platform_global.h"

#include <QString>

namespace Corvane::Platform {

// The user's temporary folder (QDir::tempPath(), honouring TMPDIR / TEMP),
// with a trailing separator.
CORVANE_PLATFORM_EXPORT QString tempFolder();

// Why the temporary folder cannot be used (TMPDIR names a folder that does not
// exist, or a file), in one sentence; empty when it can.
CORVANE_PLATFORM_EXPORT QString tempFolderProblem();

// Creates a new, empty, uniquely named file in the temporary folder,
// atomically (no other process can get the same name), and returns its full
// path. The name is "<prefix>corvane<process id>-XXXXXX": the prefix (letters
// only), then the creating process, so that files a killed process left
// behind can be told from everybody else's. Removes such leftovers first
// (removeStaleTempFiles). Returns an empty text when the file cannot be
// created (the folder is missing, full or not writable).
CORVANE_PLATFORM_EXPORT QString createTempFile(const QString &prefix);

// Removes from the temporary folder the files that createTempFile made for
// processes that no longer run, and the files written beside them
// ("<name>.XXXXXX", the zip component's and QSaveFile's). Only regular files
// of the current user go; files of running processes, of other users, links
// and other names stay. Returns how many were removed.
CORVANE_PLATFORM_EXPORT int removeStaleTempFiles();

// Removes the files that createTempFile made for this process, and those
// beside them: for a process that is about to end on a signal.
CORVANE_PLATFORM_EXPORT int removeOwnTempFiles();

} // namespace Corvane::Platform
