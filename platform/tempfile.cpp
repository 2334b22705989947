#include "tempfile.h"

#include <QDir>
#include <QTemporaryFile>

namespace Corvane::Platform {

QString tempFolder()
{
    QString folder = QDir::toNativeSeparators(QDir::tempPath());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

QString createTempFile(const QString &prefix)
{
    // QDir::tempPath() is empty when TMPDIR names no existing folder: never fall
    // back to the file system's root then.
    const QString folder = QDir::tempPath();
    if (folder.isEmpty())
        return {};
    QTemporaryFile file(folder + QLatin1Char('/') + prefix + QStringLiteral("XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    const QString path = QDir::toNativeSeparators(file.fileName());
    file.close();
    return path;
}

} // namespace Corvane::Platform
