#include "addin/vbdebug.h"

#include "platform/debugoutput.h"

namespace Brimble::VBDebug {

namespace {
// Off when the library is loaded; the add-in refreshes it at every BeforeConfigure.
bool g_debugFlag = false;
} // namespace

bool DebugFlag()
{
    return g_debugFlag;
}

void SetDebugFlag(bool on)
{
    g_debugFlag = on;
}

void DebugPrint(const QString &message)
{
    if (!g_debugFlag)
        return;
    QString line = message;
    if (!line.contains(QLatin1String("\r\n")))
        line += QLatin1String("\r\n");
    Corvane::Platform::outputDebugString(line.toLocal8Bit());
}

} // namespace Brimble::VBDebug
