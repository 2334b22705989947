#include "shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace Corvane::Platform::Shell {

bool openFolder(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace Corvane::Platform::Shell
