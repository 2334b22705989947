#include "filewalker.h"

#include "platform/paths.h"
#include "zip/zipcomponent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringBuilder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#if defined(Q_OS_UNIX)
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace Corvane::Zip::Internal {

namespace {

bool hasWildcard(const QString &text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

QString withSeparator(const QString &folder)
{
    if (folder.endsWith(Platform::Paths::separator()) || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + Platform::Paths::separator();
}

qint32 attributesOf(const QString &name, bool writable)
{
    qint32 attributes = FileAttribute::Archive;
    if (!writable)
        attributes |= FileAttribute::ReadOnly;
    if (name.startsWith(QLatin1Char('.')))
        attributes |= FileAttribute::Hidden;
    return attributes;
}

#if defined(Q_OS_UNIX)
// A name's bytes as text a user can read: printable ASCII as it is, every
// other byte as \xHH ("caf\xE9.htm").
QString escapedBytes(const QByteArray &bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\')
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x") +
                    QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    }
    return text;
}

// Directory listing straight from the system: one stat per name, and the
// times taken as they are (Qt's QFileInfo converts every time to local time,
// which costs more than the stat itself on large trees).
struct Listed
{
    QString name;
    struct stat st;
};

qint64 millis(const struct timespec &time)
{
    return qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

QString identity(const struct stat &st)
{
    return QString::number(quint64(st.st_dev)) + QLatin1Char(':') +
           QString::number(quint64(st.st_ino));
}

FileItem itemFrom(const QString &sourcePath, const QString &diskPath, const QString &name,
                  const struct stat &st)
{
    FileItem item;
    item.sourcePath = sourcePath;
    item.diskPath = diskPath;
    item.size = st.st_size;
    item.attributes = attributesOf(name, (st.st_mode & S_IWUSR) != 0);
    item.unixMode = quint32(st.st_mode);
    item.modifiedMs = millis(st.st_mtim);
    item.accessedMs = millis(st.st_atim);
    item.createdMs = millis(st.st_ctim);
    return item;
}
#else
FileItem itemFrom(const QString &sourcePath, const QFileInfo &info)
{
    FileItem item;
    item.sourcePath = sourcePath;
    item.diskPath = info.filePath();
    item.size = info.size();
    item.attributes = attributesOf(info.fileName(), info.isWritable());
    item.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    item.accessedMs = info.lastRead().toMSecsSinceEpoch();
    const QDateTime born = info.birthTime();
    item.createdMs = (born.isValid() ? born : info.metadataChangeTime()).toMSecsSinceEpoch();
    return item;
}
#endif

} // namespace

FileWalker::FileWalker(bool includeSubfolders, const std::atomic_bool &cancel, FileSink files,
                       NoteSink notes)
    : m_includeSubfolders(includeSubfolders)
    , m_cancel(cancel)
    , m_files(std::move(files))
    , m_notes(std::move(notes))
{
}

QString FileWalker::folderOf(const QString &entry)
{
    const qsizetype cut = std::max(entry.lastIndexOf(QLatin1Char('/')),
                                   entry.lastIndexOf(Platform::Paths::separator()));
    if (!hasWildcard(entry.mid(cut + 1)))
        return entry;
    if (cut >= 0 && Platform::Paths::rootLength(entry) >= cut + 1)
        return entry.left(cut + 1); // the root itself: "/" or "c:\\"
    return cut < 0 ? QString() : entry.left(cut);
}

void FileWalker::allowLinksInto(const QString &folder)
{
    const QString disk =
        Platform::Paths::resolveCase(folder.isEmpty() ? QStringLiteral(".") : folder);
    QString real = QFileInfo(disk).canonicalFilePath();
    if (real.isEmpty())
        return;
    if (!real.endsWith(QLatin1Char('/')))
        real += QLatin1Char('/');
    m_linkRoots.append(QFile::encodeName(real));
}

bool FileWalker::fail(const QString &error)
{
    m_error = error;
    m_notes(QStringLiteral("zip: ") + error);
    return false;
}

bool FileWalker::walk(const QString &entry)
{
    m_visited.clear();
    const qsizetype cut = std::max(entry.lastIndexOf(QLatin1Char('/')),
                                   entry.lastIndexOf(Platform::Paths::separator()));
    const QString last = entry.mid(cut + 1);
    const QString folder = folderOf(entry);
    const QString pattern = hasWildcard(last) ? last : QStringLiteral("*");
    const QString diskPath =
        Platform::Paths::resolveCase(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QFileInfo info(diskPath);
    if (!hasWildcard(last) && info.isFile()) {
        addFile(entry, diskPath);
        return !m_cancel;
    }
    if (!info.isDir()) {
        m_notes(QStringLiteral("zip: nothing found for \"%1\"").arg(entry));
        return !m_cancel;
    }
    m_matchAll = pattern == QLatin1String("*");
    if (!m_matchAll) {
        m_pattern = QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                                       QRegularExpression::CaseInsensitiveOption);
    }
#if defined(Q_OS_UNIX)
    struct stat st;
    if (::stat(QFile::encodeName(diskPath).constData(), &st) == 0)
        m_visited.insert(identity(st));
#else
    m_visited.insert(info.canonicalFilePath());
#endif
    // A bare "*" lists the current folder; its files are reported by their names alone.
    return walkFolder(folder.isEmpty() ? QString() : withSeparator(folder),
                      withSeparator(diskPath));
}

bool FileWalker::mayFollowLink(const QString &sourcePath, const QString &diskPath)
{
    const QString real = QFileInfo(diskPath).canonicalFilePath();
    if (real.isEmpty())
        return false; // dangling, or a loop: nothing to follow
    const QByteArray target = QFile::encodeName(real) + '/';
    for (const QByteArray &root : std::as_const(m_linkRoots)) {
        if (target.startsWith(root))
            return true;
    }
    m_skippedLinks.append(QStringLiteral("%1 -> %2").arg(sourcePath, real));
    m_notes(QStringLiteral("zip: \"%1\" leads to \"%2\", outside the folders listed; skipped")
                .arg(sourcePath, real));
    return false;
}

bool FileWalker::matches(const QString &name) const
{
    return m_matchAll || m_pattern.match(name).hasMatch();
}

#if defined(Q_OS_UNIX)

bool FileWalker::walkFolder(const QString &sourceFolder, const QString &diskFolder)
{
    DIR *dir = ::opendir(QFile::encodeName(diskFolder).constData());
    if (dir == nullptr) {
        if (errno == ENOENT)
            return !m_cancel; // removed meanwhile: nothing in it is left out
        return fail(QStringLiteral("Cannot read the folder \"%1\" (%2). Check that it can be "
                                   "read, then try again.")
                        .arg(sourceFolder, QString::fromLocal8Bit(std::strerror(errno))));
    }
    const int fd = ::dirfd(dir);
    std::vector<Listed> listed;
    std::vector<QByteArray> links; // names of the links among the listed, sorted
    while (const dirent *entry = ::readdir(dir)) {
        const char *raw = entry->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
            continue;
        if (entry->d_type == DT_DIR && !m_includeSubfolders)
            continue;
        Listed item;
        bool link = entry->d_type == DT_LNK;
        if (entry->d_type == DT_UNKNOWN && ::fstatat(fd, raw, &item.st, AT_SYMLINK_NOFOLLOW) == 0)
            link = S_ISLNK(item.st.st_mode);
        if (::fstatat(fd, raw, &item.st, 0) != 0)
            continue; // a dangling link, or removed meanwhile
        const bool isDir = S_ISDIR(item.st.st_mode);
        item.name = QFile::decodeName(raw);
        if (item.name.contains(QChar::ReplacementCharacter) &&
            QFile::encodeName(item.name) != QByteArray(raw)) {
            const QByteArray bytes(raw); // the entry goes with the folder's handle
            ::closedir(dir);
            return fail(QStringLiteral("The name of the file \"%1\" in the folder \"%2\" is not "
                                       "valid UTF-8, and names in the archive must be. Rename "
                                       "the file, then try again.")
                            .arg(escapedBytes(bytes), sourceFolder));
        }
        if (!isDir && !S_ISREG(item.st.st_mode)) {
            m_notes(QStringLiteral("zip: \"%1\" is not a regular file; skipped")
                        .arg(sourceFolder + item.name));
            continue;
        }
        if (isDir ? !m_includeSubfolders : !matches(item.name))
            continue;
        if (link)
            links.push_back(QByteArray(raw));
        listed.push_back(std::move(item));
    }
    ::closedir(dir);
    if (m_cancel)
        return false;

    std::sort(listed.begin(), listed.end(),
              [](const Listed &a, const Listed &b) { return a.name < b.name; });
    std::sort(links.begin(), links.end());
    const QChar separator = Platform::Paths::separator();
    // A large tree holds a path or two per file until its archive is written:
    // each is allocated at its exact size, and where the list spells the
    // folder as it is on disk (the usual case) a file's two paths are one
    // shared string.
    const bool sameSpelling = sourceFolder == diskFolder;
    for (const Listed &item : listed) {
        if (m_cancel)
            return false;
        const QString source = sourceFolder % item.name;
        const QString disk = sameSpelling ? source : QString(diskFolder % item.name);
        if (!links.empty() &&
            std::binary_search(links.begin(), links.end(), QFile::encodeName(item.name)) &&
            !mayFollowLink(source, disk))
            continue;
        if (S_ISDIR(item.st.st_mode)) {
            const QString id = identity(item.st);
            if (m_visited.contains(id)) {
                m_notes(QStringLiteral("zip: \"%1\" leads to a folder walked already; skipped")
                            .arg(source));
                continue;
            }
            m_visited.insert(id);
            if (!walkFolder(source + separator, disk + separator))
                return false;
        } else {
            m_files(itemFrom(source, disk, item.name, item.st));
        }
    }
    return true;
}

void FileWalker::addFile(const QString &sourcePath, const QString &diskPath)
{
    struct stat st;
    if (::stat(QFile::encodeName(diskPath).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        m_notes(QStringLiteral("zip: nothing found for \"%1\"").arg(sourcePath));
        return;
    }
    if (QFileInfo(diskPath).isSymLink() && !mayFollowLink(sourcePath, diskPath))
        return;
    m_files(itemFrom(sourcePath, diskPath, QFileInfo(diskPath).fileName(), st));
}

#else

bool FileWalker::walkFolder(const QString &sourceFolder, const QString &diskFolder)
{
    QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot;
    if (m_includeSubfolders)
        filters |= QDir::Dirs;
    const QDir dir(diskFolder);
    if (!dir.isReadable())
        return fail(QStringLiteral("Cannot read the folder \"%1\". Check that it can be read, "
                                   "then try again.")
                        .arg(sourceFolder));
    const QFileInfoList listed = dir.entryInfoList(filters, QDir::Name);
    const QChar separator = Platform::Paths::separator();
    for (const QFileInfo &info : listed) {
        if (m_cancel)
            return false;
        const QString source = sourceFolder + info.fileName();
        if (info.isSymLink() && !mayFollowLink(source, info.filePath()))
            continue;
        if (info.isDir()) {
            const QString id = info.canonicalFilePath();
            if (m_visited.contains(id)) {
                m_notes(QStringLiteral("zip: \"%1\" leads to a folder walked already; skipped")
                            .arg(source));
                continue;
            }
            m_visited.insert(id);
            if (!walkFolder(source + separator, withSeparator(info.filePath())))
                return false;
        } else if (matches(info.fileName())) {
            m_files(itemFrom(source, info));
        }
    }
    return true;
}

void FileWalker::addFile(const QString &sourcePath, const QString &diskPath)
{
    const QFileInfo info(diskPath);
    if (info.isSymLink() && !mayFollowLink(sourcePath, diskPath))
        return;
    m_files(itemFrom(sourcePath, info));
}

#endif

} // namespace Corvane::Zip::Internal
