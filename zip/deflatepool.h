#pragma once

#include "zip/archiveentry.h"

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct libdeflate_compressor;

namespace Corvane::Zip::Internal {

// One small file read whole and deflated (raw deflate, level 6) ahead of the writer.
struct DeflatedFile
{
    std::vector<std::uint8_t> data; // the deflate stream
    qint64 size = 0;                // bytes read from the file
    quint32 crc = 0;                // CRC-32 of those bytes
    int systemError = 0;            // errno of the open or read that failed, 0 when read
    bool failedOpening = false;     // the open failed (else the read, when systemError is set)
    bool tooLarge = false;          // grew past SmallFileLimit: the writer streams it instead
};

// Deflates the small deflated entries of an archive on a few worker threads
// while the writer thread writes them in order. Workers take entries in
// order, and hold at most InFlightBytes of files read and not yet written (and
// at most InFlightEntries of them), so
// memory stays bounded whatever the archive's size. Entries it does not take
// (stored ones, files over SmallFileLimit) the writer reads itself, streaming.
// The deflate stream of a file depends on its bytes only, so the archive is
// the same whatever the number of threads.
class DeflatePool final
{
public:
    // Files up to this size are read whole and deflated in one call, which is
    // about twice as fast as zlib's streaming deflate at the same level.
    static constexpr qint64 SmallFileLimit = 1024 * 1024;
    static constexpr qint64 InFlightBytes = 8 * 1024 * 1024;
    // Enough to keep the workers busy while the writer catches up.
    static constexpr size_t InFlightEntries = 256;

    static bool takes(const ArchiveEntry &entry)
    {
        return !entry.store && entry.size <= SmallFileLimit;
    }

    // Starts `threads` workers (at least one) over `entries`, which outlive the pool.
    DeflatePool(const EntryList &entries, int threads, const std::atomic_bool &cancel);
    ~DeflatePool();

    // Waits until the entry at `index` (one the pool takes) is done; null when cancelled.
    const DeflatedFile *wait(size_t index);
    // The writer is done with the entry: its memory goes back to the budget.
    void release(size_t index);
    // Wakes every wait, for a cancel.
    void wake();

private:
    void work();
    DeflatedFile deflate(size_t index, libdeflate_compressor *compressor);

    const EntryList &m_entries;
    const std::atomic_bool &m_cancel;
    std::mutex m_mutex;
    std::condition_variable m_ready; // an entry is done: the writer may be waiting for it
    std::condition_variable m_room;  // the budget has room again: for idle workers
    std::vector<std::unique_ptr<DeflatedFile>> m_done; // by entry index, until released
    size_t m_next = 0;                                 // the next entry a worker looks at
    qint64 m_inFlight = 0;        // bytes of entries taken and not yet released
    size_t m_entriesInFlight = 0; // entries taken and not yet released
    static constexpr size_t NoEntry = size_t(-1);
    size_t m_waitingFor = NoEntry; // the entry the writer waits for
    int m_idleWorkers = 0;         // workers waiting for room
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
    Q_DISABLE_COPY_MOVE(DeflatePool)
};

} // namespace Corvane::Zip::Internal
