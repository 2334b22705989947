#pragma once

#include <QString>
#include <QtGlobal>

#include <deque>

namespace Corvane::Zip::Internal {

// One file to store, with the name it carries inside the archive. A tree of
// 100,000 pages keeps one of these a file until its archive is written, so
// each text is kept once: the file is read from the path reported for it
// unless the disk spells the folders otherwise, and the entry name, usually
// the tail of that path, is an offset into it.
class ArchiveEntry
{
public:
    ArchiveEntry() = default;
    ArchiveEntry(const QString &sourcePath, const QString &diskPath, const QString &name)
        : m_sourcePath(sourcePath)
    {
        if (diskPath != sourcePath)
            m_diskPath = diskPath;
        const qsizetype from = sourcePath.size() - name.size();
        if (from >= 0 && QStringView(sourcePath).mid(from) == name &&
            (from == 0 || sourcePath.at(from - 1) == QLatin1Char('/')))
            m_nameFrom = qint32(from);
        else
            m_name = name;
    }

    // The path reported for the file, named in errors.
    const QString &sourcePath() const { return m_sourcePath; }
    // The file read.
    const QString &diskPath() const { return m_diskPath.isNull() ? m_sourcePath : m_diskPath; }
    // Relative, '/' between parts, unique in the archive.
    QStringView name() const
    {
        return m_nameFrom >= 0 ? QStringView(m_sourcePath).mid(m_nameFrom) : QStringView(m_name);
    }

    qint64 size = 0;
    qint64 modifiedMs = 0; // milliseconds since 1970-01-01 UTC
    qint64 accessedMs = 0;
    qint32 attributes = 0; // FileAttribute bits
    quint32 unixMode = 0;  // st_mode, 0 where the system has none
    bool store = false;    // stored as it is (content compressed already), else deflated

private:
    QString m_sourcePath;
    QString m_diskPath; // null when the same as the source path
    QString m_name;     // null when the name is the source path's tail
    qint32 m_nameFrom = -1;
};

// The entries of an archive, in order. A deque: a list of 100,000 files grows
// without copying itself and without a half-empty tail.
using EntryList = std::deque<ArchiveEntry>;

struct WriteResult
{
    qint32 code = 0; // ZipResult
    QString error;   // readable reason when code is not Success
    qint64 filesWritten = 0;
    qint64 bytesWritten = 0; // uncompressed bytes stored
    qint64 bytesOutput = 0;  // size of the archive file
};

} // namespace Corvane::Zip::Internal
