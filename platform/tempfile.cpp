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
    QTemporaryFile file(QDir::tempPath() + QLatin1Char('/') + prefix + QStringLiteral("XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    const QString path = QDir::toNativeSeparators(file.fileName());
    file.close();
    return path;
}

} // namespace Corvane::Platform
