#include "publish/win32apiwrapper.h"

#include "platform/tempfile.h"

namespace Brimble::Win32APIWrapper {

QString MakeTempFileName(const QString &prefix)
{
    return Corvane::Platform::createTempFile(prefix);
}

} // namespace Brimble::Win32APIWrapper
