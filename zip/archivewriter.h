#pragma once

#include "zip/archiveentry.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <vector>

namespace Corvane::Zip::Internal {

class ArchiveOutput;
class DeflatePool;

// Writes one archive: each entry's local header and data in order, then the
// central directory, built at the end from the entries and where each went
// (32 bytes an entry meanwhile), and the zip64 end records when the entries or offsets
// outgrow the classic ones. The archive file is replaced only when the whole
// archive was written: on failure or cancel it is left as it was, and the
// temporary file beside it is removed. Runs on a worker thread; its progress
// callback runs on that thread too. Small deflated entries are compressed
// ahead on `threads` more threads (DeflatePool), larger ones streamed through
// zlib; the archive is the same whatever the number of threads.
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
    // What the local header holds once the data is written.
    struct Written
    {
        quint32 crc = 0;
        qint64 size = 0;
        qint64 compressedSize = 0;
    };

    // Where an entry went: its local header's offset, and what the header holds.
    struct Placed
    {
        qint64 size = 0;
        qint64 compressedSize = 0;
        qint64 offset = 0;
        quint32 crc = 0;
        bool zip64 = false; // zip64 sizes in the local header
    };

    bool writeEntry(ArchiveOutput &output, DeflatePool &pool, size_t index);
    // The entry's local header; `stamp`, when given, gets the central
    // directory's extended timestamp field.
    QByteArray localHeader(const ArchiveEntry &entry, QByteArrayView name, const Written &written,
                           bool zip64, QByteArray *stamp) const;
    // Appends the entry's record in the central directory.
    void appendCentralRecord(QByteArray &central, size_t index) const;
    bool stream(ArchiveOutput &output, size_t index, Written &written);
    bool writeEnd(ArchiveOutput &output, qint64 count);
    bool writeFailed(const ArchiveOutput &output);
    bool readFailed(size_t index, int systemError);
    void onProgress(qint64 files, qint64 bytes, bool complete);

    QString m_archivePath;
    qint32 m_metadata;
    int m_threads;
    const std::atomic_bool &m_cancel;
    Progress m_progress;
    const EntryList *m_entries = nullptr;
    std::vector<Placed> m_placed; // the entries written so far
    WriteResult m_result;
    qint64 m_count = 0;
    qint64 m_totalBytes = 0;
    qint64 m_bytesDone = 0;
    qint64 m_filesDone = 0;
    std::vector<unsigned char> m_in, m_out; // a streamed file's chunks
    int m_lastPercent = -1;
};

} // namespace Corvane::Zip::Internal
