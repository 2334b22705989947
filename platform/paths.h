#pragma once

#include "platform_global.h"

#include <QString>

namespace Corvane::Platform::Paths {

// File names are compared without regard to letter case, as on the platform
// the action pad rules were written for. On a case-sensitive file system a
// path whose exact spelling does not exist is resolved by matching each
// component without regard to case: an exact match first; among several
// case-variants, the first in name order.

// The on-disk spelling of `path` (same form: relative stays relative), or
// `path` unchanged when no spelling of it exists.
CORVANE_PLATFORM_EXPORT QString resolveCase(const QString &path);

// Whether a file (not a folder) exists under any spelling.
CORVANE_PLATFORM_EXPORT bool fileExists(const QString &path);
// Whether a folder exists under any spelling.
CORVANE_PLATFORM_EXPORT bool folderExists(const QString &path);
// Size in bytes of the file; -1 when it does not exist.
CORVANE_PLATFORM_EXPORT qint64 fileSize(const QString &path);
// Deletes the file (not forced: a read-only file is refused). False when nothing was deleted.
// Its name is gone on return; the file system takes its blocks back on a
// worker thread, since that takes a while for a large file (a quarter of a
// second for 300 MB) and a window must not wait for it.
CORVANE_PLATFORM_EXPORT bool deleteFile(const QString &path);

// The platform's path separator ('\\' on Windows, '/' elsewhere).
CORVANE_PLATFORM_EXPORT QChar separator();
// Length of the root of an absolute path ("/" = 1, "c:\\" = 3, "\\\\server\\share\\" ...); 0 for
// relative.
CORVANE_PLATFORM_EXPORT int rootLength(const QString &path);
// True for a network path (begins with two separators).
CORVANE_PLATFORM_EXPORT bool isNetworkPath(const QString &path);

} // namespace Corvane::Platform::Paths
