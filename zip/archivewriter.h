#pragma once

#include "zip/archiveentry.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <vector>

struct zip;
struct zip_source;

namespace Corvane::Zip::Internal {

class DeflatePool;
class EntrySource;

// Writes one archive with libzip. The archive file is replaced only when the
// whole archive was written: on failure or cancel it is left as it was, and
// libzip's temporary file beside it is removed. Runs on a worker thread; its
// progress callback runs on that thread too. Small deflated entries are
// compressed ahead on `threads` more threads (DeflatePool); the archive is the
// same whatever their number.
class ArchiveWriter final
{
public:
    // Called each time the share of bytes stored reaches a new whole percent:
    // files stored so far, bytes stored so far, and the archive's size (0
    // until the archive is complete, at 100 percent).
    using Progress = std::function<void(qint64 files, qint64 bytes, qint64 output)>;

    ArchiveWriter(QString archivePath, qint32 metadataOptions, int threads,
                  const std::atomic_bool &cancel, Progress progress);

    WriteResult write(const EntryList &entries);

private:
    WriteResult writeEmpty();
    bool addEntry(zip *archive, EntrySource &source, size_t index, QString &error);
    WriteResult failure(zip *archive, const EntrySource &source);
    void onProgress(double fraction, bool complete);
    static void progressCallback(zip *archive, double fraction, void *state);
    static int cancelCallback(zip *archive, void *state);

    QString m_archivePath;
    qint32 m_metadata;
    int m_threads;
    const std::atomic_bool &m_cancel;
    Progress m_progress;
    std::vector<qint64> m_sizes;
    std::vector<qint64> m_before; // bytes of the entries before each one
    qint64 m_totalBytes = 0;
    qint64 m_bytesOutput = 0;
    int m_lastPercent = -1;
    DeflatePool *m_pool = nullptr; // while the archive is written
};

} // namespace Corvane::Zip::Internal
