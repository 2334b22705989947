#include "paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Corvane::Platform::Paths {

QChar separator()
{
    return QDir::separator();
}

bool isNetworkPath(const QString &path)
{
    const QChar sep = separator();
    return path.size() >= 2 && path.at(0) == sep && path.at(1) == sep;
}

int rootLength(const QString &path)
{
#if defined(Q_OS_WIN)
    if (path.size() >= 3 && path.at(1) == QLatin1Char(':') &&
        (path.at(2) == QLatin1Char('\\') || path.at(2) == QLatin1Char('/')))
        return 3;
#endif
    if (isNetworkPath(path))
        return 2;
    if (!path.isEmpty() && (path.at(0) == separator() || path.at(0) == QLatin1Char('/')))
        return 1;
    return 0;
}

QString resolveCase(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return path; // the file system compares without regard to case already
#else
    const int root = rootLength(path);
    QString resolved = path.left(root);
    const QStringList parts = path.mid(root).split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString &part = parts.at(i);
        const bool last = i == parts.size() - 1;
        QString candidate = resolved + part;
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..") ||
            QFileInfo::exists(candidate)) {
            resolved = candidate;
        } else {
            const QDir dir(resolved.isEmpty() ? QStringLiteral(".") : resolved);
            const QStringList entries = dir.entryList(
                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
            QString match;
            for (const QString &entry : entries) {
                if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                    match = entry;
                    break;
                }
            }
            if (match.isEmpty())
                return path;
            resolved += match;
        }
        if (!last)
            resolved += QLatin1Char('/');
    }
    return resolved;
#endif
}

bool fileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(resolveCase(path));
    return info.exists() && !info.isDir();
}

bool folderExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    return QFileInfo(resolveCase(path)).isDir();
}

qint64 fileSize(const QString &path)
{
    const QFileInfo info(resolveCase(path));
    return info.exists() && !info.isDir() ? info.size() : -1;
}

bool deleteFile(const QString &path)
{
    if (!fileExists(path))
        return false;
    const QString actual = resolveCase(path);
    if (!QFileInfo(actual).isWritable())
        return false;
#if defined(Q_OS_UNIX)
    // A file's blocks go back when its name and its last descriptor are
    // gone: the name goes here, the descriptor on the worker.
    const QByteArray name = QFile::encodeName(actual);
    const int descriptor = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor >= 0) {
        if (::unlink(name.constData()) != 0) {
            ::close(descriptor);
            return false;
        }
        QThreadPool::globalInstance()->start([descriptor] { ::close(descriptor); });
        return true;
    }
#endif
    return QFile::remove(actual);
}

} // namespace Corvane::Platform::Paths
