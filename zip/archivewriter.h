#pragma once

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <deque>
#include <functional>
#include <vector>

struct zip;
struct zip_source;

namespace Corvane::Zip::Internal {

// One file to store, with the name it carries inside the archive.
struct ArchiveEntry
{
    QString diskPath;   // the file read
    QString sourcePath; // the path reported for it, named in errors
    QString name;       // entry name: relative, '/' between parts, unique in the archive
    qint64 size = 0;
    qint64 modifiedMs = 0; // milliseconds since 1970-01-01 UTC
    qint64 accessedMs = 0;
    qint32 attributes = 0; // FileAttribute bits
    quint32 unixMode = 0;  // st_mode, 0 where the system has none
    bool store = false;    // stored as it is (content compressed already), else deflated
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

// Writes one archive with libzip. The archive file is replaced only when the
// whole archive was written: on failure or cancel it is left as it was, and
// libzip's temporary file beside it is removed. Runs on a worker thread; its
// progress callback runs on that thread too.
class ArchiveWriter final
{
public:
    // Called each time the share of bytes stored reaches a new whole percent:
    // files stored so far, bytes stored so far, and the archive's size (0
    // until the archive is complete, at 100 percent).
    using Progress = std::function<void(qint64 files, qint64 bytes, qint64 output)>;

    ArchiveWriter(QString archivePath, qint32 metadataOptions, const std::atomic_bool &cancel,
                  Progress progress);

    WriteResult write(const EntryList &entries);

private:
    // One entry's file while libzip reads it (defined with the writer).
    struct EntryFile;

    WriteResult writeEmpty();
    bool addEntry(zip *archive, EntryFile &file, QString &error);
    WriteResult failure(zip *archive, const std::vector<EntryFile> &files);
    void onProgress(double fraction, bool complete);
    static void progressCallback(zip *archive, double fraction, void *state);
    static int cancelCallback(zip *archive, void *state);

    QString m_archivePath;
    qint32 m_metadata;
    const std::atomic_bool &m_cancel;
    Progress m_progress;
    std::vector<qint64> m_sizes;
    std::vector<qint64> m_before; // bytes of the entries before each one
    qint64 m_totalBytes = 0;
    qint64 m_bytesOutput = 0;
    int m_lastPercent = -1;
};

} // namespace Corvane::Zip::Internal
