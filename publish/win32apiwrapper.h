#pragma once

#include <QString>

// The few operating system services the add-in calls directly.
namespace Brimble::Win32APIWrapper {

// Creates a new, empty, uniquely named file "<prefix>XXXXXX" in the user's
// temporary folder and returns its full path. A failing call is not detected:
// the result is then empty.
QString MakeTempFileName(const QString &prefix);

} // namespace Brimble::Win32APIWrapper
