#pragma once

#include <QString>
#include <QStringList>

// Pure naming rules of the zip component: how a file list is split, which name
// a file gets by default, and what an entry name may look like inside the
// archive. No file system access, so they can be tested on their own.
namespace Corvane::Zip::Naming {

// The entries of a FilesToProcess list: the texts between the "|" marks, in
// order, empty ones dropped ("|/a/*|/b/x.htm" -> "/a/*", "/b/x.htm").
QStringList splitFileList(const QString &list);

// The name a file is stored under before any handler renames it: with
// preservePaths the source path less its root ("/x/pads/a.htm" -> "x/pads/a.htm",
// "c:\\x\\a.htm" -> "x\\a.htm"), otherwise the bare file name ("a.htm").
QString defaultName(const QString &sourcePath, bool preservePaths);

// A name made safe for the archive: backslashes become '/', a root or drive
// designator is cut, and empty, "." and ".." parts are dropped, so the result
// is relative and never climbs out of the folder it is extracted into.
// "\\\\srv\\share\\..\\a.htm" -> "srv/share/a.htm". Empty when nothing is left.
QString sanitise(const QString &name);

// Whether the file's extension names content that is compressed already
// (images, fonts, archives, audio, video, PDF): such files are stored as they
// are, since deflating them again costs time and gains nothing.
bool isAlreadyCompressed(const QString &fileName);

} // namespace Corvane::Zip::Naming
