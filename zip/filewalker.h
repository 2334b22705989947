#pragma once

#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <atomic>
#include <functional>

namespace Corvane::Zip::Internal {

// One file found by a walk.
struct FileItem
{
    QString sourcePath; // as reported: the listed folder as spelled, then the names found on disk
    QString diskPath;   // where the file is read from (the folder's spelling on disk)
    qint64 size = 0;
    qint32 attributes = 0; // FileAttribute bits
    quint32 unixMode = 0;  // type and permission bits (st_mode) where the system has them
    qint64 modifiedMs = 0; // milliseconds since 1970-01-01 UTC
    qint64 accessedMs = 0;
    qint64 createdMs = 0; // the status change time where the file system reports no birth time
};

// Walks the entries of a file list in a fixed order: the entries in list
// order, the names of each folder in name order (exact, code unit order), a
// subfolder walked where its name falls. Hidden files are included; special
// files (pipes, sockets, devices) are never opened, and dangling links are
// left out. A symbolic link is followed only while its target lies inside a
// folder the links may lead into (allowLinksInto): the others are left out and
// listed in skippedLinks(). A folder already walked for the same entry (a link
// loop, or two links to one folder) is walked only once. A folder that cannot
// be listed, or a name that is not valid UTF-8, ends the walk with error().
class FileWalker final
{
public:
    using FileSink = std::function<void(FileItem &&)>;
    using NoteSink = std::function<void(const QString &)>;

    FileWalker(bool includeSubfolders, const std::atomic_bool &cancel, FileSink files,
               NoteSink notes);

    // Symbolic links may lead into this folder (and what lies below it).
    void allowLinksInto(const QString &folder);
    // The folder an entry walks: "/srv/web" for "/srv/web/*" and for "/srv/web".
    static QString folderOf(const QString &entry);

    // Walks one entry: a folder joined with a pattern of '*' and '?' ("c:\\pads\\*",
    // "/srv/web/*.htm"), a folder, or a single file. The folder is found without
    // regard to letter case. Returns false when cancelled or failed (error()).
    bool walk(const QString &entry);

    // Why the walk failed, naming the folder or file; empty when it did not.
    QString error() const { return m_error; }
    // The links left out because they lead elsewhere, each "link -> target".
    const QStringList &skippedLinks() const { return m_skippedLinks; }

private:
    bool walkFolder(const QString &sourceFolder, const QString &diskFolder);
    bool matches(const QString &name) const;
    void addFile(const QString &sourcePath, const QString &diskPath);
    // Whether a link found at `diskPath` may be followed; a skipped one is listed.
    bool mayFollowLink(const QString &sourcePath, const QString &diskPath);
    bool fail(const QString &error);

    bool m_includeSubfolders;
    const std::atomic_bool &m_cancel;
    FileSink m_files;
    NoteSink m_notes;
    bool m_matchAll = true;
    QRegularExpression m_pattern;
    QSet<QString> m_visited;       // identities of the folders walked for the current entry
    QList<QByteArray> m_linkRoots; // real paths, each ending with '/'
    QString m_error;
    QStringList m_skippedLinks;
};

} // namespace Corvane::Zip::Internal
