#pragma once

#include <QString>

// Diagnostic lines to the debugger output, while the Debug flag is on.
namespace Brimble::VBDebug {

// The Debug flag: false when the library is loaded, set from the per-user
// setting "Debug" at every BeforeConfigure.
bool DebugFlag();
void SetDebugFlag(bool on);
// Writes the message as one plain line (a CR LF is appended unless the message
// already holds one somewhere), in the platform's single-byte code page. Does
// nothing while the Debug flag is off.
void DebugPrint(const QString &message);

} // namespace Brimble::VBDebug
