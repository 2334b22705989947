#include "tempfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace Corvane::Platform {

namespace {

// The mark between a temporary file's prefix and its process id.
const QString kMark = QStringLiteral("corvane");

enum class Whose
{
    Stale, // of processes that no longer run
    Own    // of this process
};

int removeTempFiles(Whose whose)
{
    int removed = 0;
#if defined(Q_OS_UNIX)
    const QString folder = QDir::tempPath();
    if (folder.isEmpty())
        return 0;
    static const QRegularExpression name(QStringLiteral("^[A-Za-z]*%1([0-9]{1,10})-[A-Za-z0-9]{6}"
                                                        "(\\.[A-Za-z0-9]{6})?$")
                                             .arg(kMark));
    const qint64 self = QCoreApplication::applicationPid();
    const QStringList candidates =
        QDir(folder).entryList({QStringLiteral("*") + kMark + QStringLiteral("*")},
                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &fileName : candidates) {
        const QRegularExpressionMatch match = name.match(fileName);
        if (!match.hasMatch())
            continue;
        const qint64 pid = match.captured(1).toLongLong();
        if (whose == Whose::Own ? pid != self : pid == self || pid <= 0)
            continue;
        const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + fileName);
        struct stat status;
        if (::lstat(path.constData(), &status) != 0 || !S_ISREG(status.st_mode) ||
            status.st_uid != ::getuid())
            continue;
        // A process that still runs (or whose id another one has taken) keeps its files.
        if (whose == Whose::Stale && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH))
            continue;
        if (::unlink(path.constData()) == 0)
            ++removed;
    }
#else
    Q_UNUSED(whose)
#endif
    return removed;
}

} // namespace

QString tempFolder()
{
    QString folder = QDir::toNativeSeparators(QDir::tempPath());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

QString tempFolderProblem()
{
    // QDir::tempPath() is empty when TMPDIR names no existing folder.
    const QString folder = QDir::tempPath();
    const QString named = qEnvironmentVariable("TMPDIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return QStringLiteral("the temporary folder %1 (TMPDIR) does not exist or is no folder; "
                              "create it, or point TMPDIR at a folder that exists")
            .arg(QDir::toNativeSeparators(named.isEmpty() ? folder : named));
    return {};
}

QString createTempFile(const QString &prefix)
{
    // QDir::tempPath() is empty when TMPDIR names no existing folder: never fall
    // back to the file system's root then.
    const QString folder = QDir::tempPath();
    if (folder.isEmpty())
        return {};
    removeStaleTempFiles();
    QTemporaryFile file(folder + QLatin1Char('/') + prefix + kMark +
                        QString::number(QCoreApplication::applicationPid()) +
                        QStringLiteral("-XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    const QString path = QDir::toNativeSeparators(file.fileName());
    file.close();
    return path;
}

int removeStaleTempFiles()
{
    return removeTempFiles(Whose::Stale);
}

int removeOwnTempFiles()
{
    return removeTempFiles(Whose::Own);
}

} // namespace Corvane::Platform
