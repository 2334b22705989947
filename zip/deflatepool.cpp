#include "deflatepool.h"

#include <QFile>

#include <cerrno>
#include <chrono>

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Corvane::Zip::Internal {

namespace {

// zlib's default level, as Info-ZIP's zip uses and as the streamed entries have.
constexpr int DeflateLevel = 6;
constexpr auto CancelCheck = std::chrono::milliseconds(20);

// Reads a whole file of at most `limit` bytes; false with errno set when it
// cannot, true with `tooLarge` when it holds more. A pipe or device put in
// the file's place is never read: opening does not wait for a writer, and the
// type is checked before the first read. A folder opens, and fails its read.
bool readWhole(const QString &path, qint64 limit, std::vector<std::uint8_t> &data, bool &tooLarge,
               bool &failedOpening)
{
    const int file =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    failedOpening = file < 0;
    if (file < 0)
        return false;
    struct stat st;
    if (::fstat(file, &st) != 0 || (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))) {
        ::close(file);
        errno = EINVAL;
        failedOpening = true;
        return false;
    }
    // The size is looked at again here: a file that changed since the walk is
    // stored as it is now, one that grew too large is streamed instead.
    data.resize(size_t(std::min<qint64>(std::max<qint64>(st.st_size, 0), limit) + 1));
    size_t length = 0;
    for (;;) {
        if (length == data.size()) {
            if (qint64(length) > limit)
                break;
            data.resize(size_t(std::min<qint64>(qint64(length) * 2, limit + 1)));
        }
        const ssize_t n = ::read(file, data.data() + length, data.size() - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(file);
            errno = error;
            return false;
        }
        if (n == 0)
            break;
        length += size_t(n);
    }
    ::close(file);
    tooLarge = qint64(length) > limit;
    data.resize(length);
    return true;
}

} // namespace

DeflatePool::DeflatePool(const EntryList &entries, int threads, const std::atomic_bool &cancel)
    : m_entries(entries)
    , m_cancel(cancel)
    , m_done(entries.size())
{
    for (int i = 0; i < std::max(threads, 1); ++i)
        m_workers.emplace_back([this] { work(); });
}

DeflatePool::~DeflatePool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_ready.notify_all();
    m_room.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

void DeflatePool::wake()
{
    std::lock_guard lock(m_mutex);
    m_ready.notify_all();
    m_room.notify_all();
}

const DeflatedFile *DeflatePool::wait(size_t index)
{
    std::unique_lock lock(m_mutex);
    m_waitingFor = index;
    // A cancel flips the flag without a signal: it is looked at every little while.
    while (!m_ready.wait_for(lock, CancelCheck,
                             [&] { return m_done[index] || m_cancel || m_stopping; })) {
    }
    m_waitingFor = NoEntry;
    return m_cancel ? nullptr : m_done[index].get();
}

void DeflatePool::release(size_t index)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_done[index])
            return;
        m_done[index].reset();
        m_inFlight -= m_entries[index].size;
        --m_entriesInFlight;
        // Idle workers wake once half the budget is free again, not once an entry.
        if (m_idleWorkers == 0 || m_entriesInFlight > InFlightEntries / 2 ||
            m_inFlight > InFlightBytes / 2)
            return;
    }
    m_room.notify_all();
}

void DeflatePool::work()
{
    libdeflate_compressor *compressor = libdeflate_alloc_compressor(DeflateLevel);
    std::unique_lock lock(m_mutex);
    for (;;) {
        // The next entry the pool takes, once the budget has room for it (an
        // entry always fits when nothing else is in flight).
        size_t index = 0;
        ++m_idleWorkers;
        while (!m_room.wait_for(lock, CancelCheck, [&] {
            while (m_next < m_entries.size() && !takes(m_entries[m_next]))
                ++m_next;
            if (m_stopping || m_cancel || m_next == m_entries.size())
                return true;
            const qint64 size = m_entries[m_next].size;
            return m_entriesInFlight == 0 ||
                   (m_inFlight + size <= InFlightBytes && m_entriesInFlight < InFlightEntries);
        })) {
        }
        --m_idleWorkers;
        if (m_stopping || m_cancel || m_next == m_entries.size())
            break;
        index = m_next++;
        m_inFlight += m_entries[index].size;
        ++m_entriesInFlight;
        lock.unlock();
        auto done = std::make_unique<DeflatedFile>(deflate(index, compressor));
        lock.lock();
        m_done[index] = std::move(done);
        if (index == m_waitingFor)
            m_ready.notify_one();
    }
    lock.unlock();
    libdeflate_free_compressor(compressor);
}

DeflatedFile DeflatePool::deflate(size_t index, libdeflate_compressor *compressor)
{
    DeflatedFile result;
    std::vector<std::uint8_t> content;
    if (!readWhole(m_entries.diskPath(index), SmallFileLimit, content, result.tooLarge,
                   result.failedOpening)) {
        result.systemError = errno != 0 ? errno : EIO;
        return result;
    }
    if (result.tooLarge)
        return result;
    result.size = qint64(content.size());
    result.crc = quint32(libdeflate_crc32(0, content.data(), content.size()));
    result.data.resize(libdeflate_deflate_compress_bound(compressor, content.size()));
    const size_t length = libdeflate_deflate_compress(compressor, content.data(), content.size(),
                                                      result.data.data(), result.data.size());
    result.data.resize(length);
    result.data.shrink_to_fit();
    return result;
}

} // namespace Corvane::Zip::Internal
