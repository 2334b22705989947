#pragma once

#include <QRegularExpression>
#include <QSet>
#include <QString>
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
// files (pipes, sockets, devices) and dangling links are not. Links to files
// are followed; links to folders are followed too, but a folder already
// walked for the same entry (a link loop, or two links to one folder) is
// walked only once.
class FileWalker final
{
public:
    using FileSink = std::function<void(FileItem &&)>;
    using NoteSink = std::function<void(const QString &)>;

    FileWalker(bool includeSubfolders, const std::atomic_bool &cancel, FileSink files,
               NoteSink notes);

    // Walks one entry: a folder joined with a pattern of '*' and '?' ("c:\\pads\\*",
    // "/srv/web/*.htm"), a folder, or a single file. The folder is found without
    // regard to letter case. Returns false when cancelled.
    bool walk(const QString &entry);

private:
    bool walkFolder(const QString &sourceFolder, const QString &diskFolder);
    bool matches(const QString &name) const;
    void addFile(const QString &sourcePath, const QString &diskPath);

    bool m_includeSubfolders;
    const std::atomic_bool &m_cancel;
    FileSink m_files;
    NoteSink m_notes;
    bool m_matchAll = true;
    QRegularExpression m_pattern;
    QSet<QString> m_visited; // identities of the folders walked for the current entry
};

} // namespace Corvane::Zip::Internal
