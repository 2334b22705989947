#include "archivewriter.h"

#include "zip/archiveoutput.h"
#include "zip/deflatepool.h"
#include "zip/zipcomponent.h"

#include <QFile>

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Corvane::Zip::Internal {

namespace {

// Deflate level of every deflated entry: zlib's default, as Info-ZIP's zip uses
// (DeflatePool deflates the small files at the same level).
constexpr int DeflateLevel = 6;

constexpr quint16 ExtendedTimestampId = 0x5455; // Info-ZIP "UT": times in UTC seconds
constexpr quint16 Zip64Id = 0x0001;
constexpr quint16 MadeByVersion = 63; // the format's version 6.3
constexpr quint16 UnixHost = 3 << 8;  // "version made by": Unix, else MS-DOS
constexpr quint32 DefaultUnixAttributes = 0100666u << 16;
constexpr qint64 Max16 = 0xFFFF;
constexpr qint64 Max32 = 0xFFFFFFFFLL;
// A streamed file from this size on has zip64 sizes in its local header: it may pass 4 GiB.
constexpr qint64 Zip64LocalFrom = 0xF0000000LL;
constexpr size_t ChunkSize = 256 * 1024;

// Little-endian fields appended to a record.
void put(QByteArray &to, quint64 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        to.append(char(value >> (8 * i)));
}

// The MS-DOS time and date of a time in seconds, in local time; 1980-01-01
// 00:00 (the earliest such a date holds) for earlier times.
void dosTime(qint64 seconds, quint16 &time, quint16 &date)
{
    static thread_local qint64 lastSeconds = -1;
    static thread_local quint16 lastTime = 0, lastDate = 0;
    if (seconds != lastSeconds) {
        const auto at = time_t(seconds);
        std::tm tm{};
        lastSeconds = seconds;
        if (localtime_r(&at, &tm) == nullptr || tm.tm_year < 80) {
            lastTime = 0;
            lastDate = (1 << 5) | 1;
        } else {
            lastTime = quint16((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
            lastDate = quint16((std::min(tm.tm_year - 80, 127) << 9) | ((tm.tm_mon + 1) << 5) |
                               tm.tm_mday);
        }
    }
    time = lastTime;
    date = lastDate;
}

qint64 floorSeconds(qint64 ms)
{
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

} // namespace

ArchiveWriter::ArchiveWriter(QString archivePath, qint32 metadataOptions, int threads,
                             const std::atomic_bool &cancel, Progress progress)
    : m_archivePath(std::move(archivePath))
    , m_metadata(metadataOptions)
    , m_threads(threads)
    , m_cancel(cancel)
    , m_progress(std::move(progress))
{
}

WriteResult ArchiveWriter::write(const EntryList &entries)
{
    m_result = {};
    m_count = qint64(entries.size());
    m_totalBytes = m_bytesDone = m_filesDone = 0;
    m_lastPercent = -1;
    m_entries = &entries;
    for (size_t i = 0; i < entries.size(); ++i)
        m_totalBytes += entries[i].size;
    m_placed = {};
    m_placed.reserve(entries.size());

    ArchiveOutput output(m_archivePath);
    if (!output.open()) {
        m_result.code = ZipResult::WriteError;
        m_result.error = QStringLiteral("Cannot create the archive \"%1\" (%2). Check that its "
                                        "folder exists and is writable.")
                             .arg(m_archivePath, output.error());
        return m_result;
    }
    bool written = true;
    {
        // Deflates ahead while the entries are written in order.
        std::optional<DeflatePool> pool;
        if (!entries.empty())
            pool.emplace(entries, m_threads, m_cancel);
        for (size_t i = 0; written && i < entries.size(); ++i)
            written = !m_cancel && writeEntry(output, *pool, i);
    }
    if (written && !m_cancel && (!writeEnd(output, m_count) || !output.commit()))
        written = writeFailed(output);
    m_placed = {};
    if (m_cancel) {
        m_result.code = ZipResult::Cancelled;
        m_result.error = QStringLiteral("The operation was cancelled; no archive was written.");
    }
    if (!written || m_cancel)
        return m_result;
    m_result.filesWritten = m_count;
    m_result.bytesWritten = m_bytesDone;
    m_result.bytesOutput = output.position();
    onProgress(m_count, m_bytesDone, true);
    return m_result;
}

bool ArchiveWriter::writeEntry(ArchiveOutput &output, DeflatePool &pool, size_t index)
{
    const ArchiveEntry &entry = (*m_entries)[index];
    const DeflatedFile *deflated = nullptr;
    if (DeflatePool::takes(entry)) {
        deflated = pool.wait(index);
        if (deflated == nullptr)
            return false; // cancelled
        if (deflated->systemError != 0) {
            const int error = deflated->systemError;
            pool.release(index);
            return readFailed(index, error);
        }
        if (deflated->tooLarge) {
            // Grown past the pool's limit since the walk: streamed like a large file.
            pool.release(index);
            deflated = nullptr;
        }
    }

    const QByteArrayView name = m_entries->name(index);
    if (name.size() > Max16) {
        m_result.code = ZipResult::WriteError;
        m_result.error = QStringLiteral("The name \"%1\" is too long for a zip archive; no "
                                        "archive was written.")
                             .arg(QString::fromUtf8(name));
        return false;
    }
    const bool zip64 = deflated == nullptr && entry.size >= Zip64LocalFrom;
    Written written;
    if (deflated != nullptr)
        written = {deflated->crc, deflated->size, qint64(deflated->data.size())};
    const QByteArray header = localHeader(entry, name, written, zip64, nullptr);

    const qint64 offset = output.position();
    bool ok = output.write(header.constData(), header.size());
    if (deflated != nullptr) {
        ok = ok && output.write(deflated->data.data(), written.compressedSize);
        pool.release(index);
    } else if (ok) {
        ok = stream(output, index, written);
        if (!ok && (m_result.code != 0 || m_cancel))
            return false; // a read failed, or cancelled
        if (ok && !zip64 && (written.size >= Max32 || written.compressedSize >= Max32))
            return readFailed(index, EFBIG); // grew past 4 GiB since the walk
        QByteArray sizes;
        put(sizes, written.crc, 4);
        put(sizes, zip64 ? Max32 : written.compressedSize, 4);
        put(sizes, zip64 ? Max32 : written.size, 4);
        if (zip64) {
            put(sizes, quint64(written.size), 8);
            put(sizes, quint64(written.compressedSize), 8);
        }
        ok = ok && output.rewrite(offset + 14, sizes.constData(), 12) &&
             (!zip64 || output.rewrite(offset + header.size() - 16, sizes.constData() + 12, 16));
    }
    if (!ok)
        return writeFailed(output);

    m_placed.push_back({written.size, written.compressedSize, offset, written.crc, zip64});
    m_bytesDone += written.size;
    onProgress(++m_filesDone, m_bytesDone, false);
    return true;
}

QByteArray ArchiveWriter::localHeader(const ArchiveEntry &entry, QByteArrayView name,
                                      const Written &written, bool zip64, QByteArray *stamp) const
{
    const bool keepTime = (m_metadata & MetadataOption::ModificationTime) != 0;
    quint16 time = 0;
    quint16 date = (1 << 5) | 1; // 1980-01-01 00:00 when entries carry no time
    if (keepTime)
        dosTime(floorSeconds(entry.modifiedMs), time, date);
    QByteArray header;
    header.reserve(30 + name.size() + 9 + 20);
    put(header, 0x04034b50, 4);
    put(header, zip64 ? 45 : entry.store ? 10 : 20, 2);
    const bool ascii =
        std::all_of(name.begin(), name.end(), [](char c) { return uchar(c) < 0x80; });
    put(header, ascii ? 0 : 0x800, 2); // the UTF-8 flag, on names that need it
    put(header, entry.store ? 0 : 8, 2);
    put(header, time, 2);
    put(header, date, 2);
    put(header, written.crc, 4);
    put(header, zip64 ? Max32 : written.compressedSize, 4);
    put(header, zip64 ? Max32 : written.size, 4);
    put(header, quint64(name.size()), 2);
    put(header, 0, 2); // the extra fields' length, set below
    header.append(name);
    // The extended timestamp: the modification time, and the access time when
    // asked for; the central directory's field repeats the flags but carries
    // the modification time only.
    const qint64 modified = floorSeconds(entry.modifiedMs);
    const qint64 accessed = floorSeconds(entry.accessedMs);
    if (keepTime && (m_metadata & MetadataOption::ExtendedTimestamp) != 0 && modified >= 0 &&
        modified <= Max32) {
        const bool withAccess =
            (m_metadata & MetadataOption::AccessTime) != 0 && accessed >= 0 && accessed <= Max32;
        put(header, ExtendedTimestampId, 2);
        put(header, withAccess ? 9 : 5, 2);
        put(header, withAccess ? 0x03 : 0x01, 1);
        put(header, quint64(modified), 4);
        if (withAccess)
            put(header, quint64(accessed), 4);
        if (stamp != nullptr) {
            *stamp = header.mid(30 + name.size(), 9);
            (*stamp)[2] = 5;
        }
    }
    if (zip64) {
        put(header, Zip64Id, 2);
        put(header, 16, 2);
        put(header, 0, 8); // both sizes, once known
        put(header, 0, 8);
    }
    const qint64 extraLength = header.size() - 30 - name.size();
    header[28] = char(extraLength);
    header[29] = char(extraLength >> 8);
    return header;
}

void ArchiveWriter::appendCentralRecord(QByteArray &central, size_t index) const
{
    const ArchiveEntry &entry = (*m_entries)[index];
    const QByteArrayView name = m_entries->name(index);
    const Placed &placed = m_placed[index];
    const Written written{placed.crc, placed.size, placed.compressedSize};
    const qint64 offset = placed.offset;
    const bool zip64 = placed.zip64;
    QByteArray stamp;
    const QByteArray header = localHeader(entry, name, written, zip64, &stamp);
    const bool bigSize = written.size >= Max32;
    const bool bigCompressed = written.compressedSize >= Max32;
    const bool bigOffset = offset >= Max32;
    const int zip64Length = 8 * (int(bigSize) + int(bigCompressed) + int(bigOffset));
    quint16 madeBy = MadeByVersion;
    quint32 external = quint32(entry.attributes & (FileAttribute::ReadOnly | FileAttribute::Hidden |
                                                   FileAttribute::System | FileAttribute::Archive));
    if ((m_metadata & MetadataOption::UnixPermissions) != 0) {
        // The Unix mode, with MS-DOS's read-only bit beside it.
        madeBy |= UnixHost;
        external = entry.unixMode == 0 ? DefaultUnixAttributes
                                       : (entry.unixMode << 16) |
                                             ((entry.attributes & FileAttribute::ReadOnly) ? 1 : 0);
    }
    put(central, 0x02014b50, 4);
    put(central, madeBy, 2);
    put(central, zip64 || zip64Length > 0 ? 45 : entry.store ? 10 : 20, 2);
    central.append(header.constData() + 6, 8); // flags, method, time, date
    put(central, written.crc, 4);
    put(central, bigCompressed ? Max32 : written.compressedSize, 4);
    put(central, bigSize ? Max32 : written.size, 4);
    put(central, quint64(name.size()), 2);
    put(central, quint64(stamp.size() + (zip64Length > 0 ? 4 + zip64Length : 0)), 2);
    put(central, 0, 6); // comment length, disk, internal attributes
    put(central, external, 4);
    put(central, bigOffset ? Max32 : offset, 4);
    central.append(name);
    central += stamp;
    if (zip64Length > 0) {
        put(central, Zip64Id, 2);
        put(central, quint64(zip64Length), 2);
        if (bigSize)
            put(central, quint64(written.size), 8);
        if (bigCompressed)
            put(central, quint64(written.compressedSize), 8);
        if (bigOffset)
            put(central, quint64(offset), 8);
    }
}

// Straight system calls: QFile would add two status calls and a read per file.
// A folder found where the file was opens, and fails its first read. A pipe
// or device put in the file's place meanwhile is never read: opening does not
// wait for a writer, and the file's type is checked before the first read.
bool ArchiveWriter::stream(ArchiveOutput &output, size_t index, Written &written)
{
    const ArchiveEntry &entry = (*m_entries)[index];
    const int file = ::open(QFile::encodeName(m_entries->diskPath(index)).constData(),
                            O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (file < 0)
        return readFailed(index, errno);
    z_stream zs{};
    struct Closer
    {
        int file;
        z_stream *zs;
        ~Closer()
        {
            ::close(file);
            if (zs != nullptr)
                deflateEnd(zs);
        }
    } closer{file, nullptr};
    struct stat st;
    if (::fstat(file, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return readFailed(index, EINVAL);
    if (!entry.store) {
        if (deflateInit2(&zs, DeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return readFailed(index, ENOMEM);
        closer.zs = &zs;
    }
    m_in.resize(ChunkSize);
    m_out.resize(ChunkSize);
    // libdeflate's CRC-32 uses the processor's carry-less multiply: several
    // times zlib's speed on the stored pictures of a web folder.
    quint32 crc = 0;
    for (;;) {
        if (m_cancel)
            return false;
        const ssize_t n = ::read(file, m_in.data(), ChunkSize);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return readFailed(index, errno);
        crc = libdeflate_crc32(crc, m_in.data(), size_t(n));
        written.size += n;
        if (entry.store) {
            if (!output.write(m_in.data(), n))
                return false;
            written.compressedSize += n;
        } else {
            zs.next_in = m_in.data();
            zs.avail_in = uInt(n);
            do {
                zs.next_out = m_out.data();
                zs.avail_out = uInt(ChunkSize);
                deflate(&zs, n == 0 ? Z_FINISH : Z_NO_FLUSH);
                const qint64 produced = qint64(ChunkSize - zs.avail_out);
                if (!output.write(m_out.data(), produced))
                    return false;
                written.compressedSize += produced;
            } while (zs.avail_out == 0);
        }
        if (n == 0)
            break;
        onProgress(m_filesDone, m_bytesDone + written.size, false);
    }
    written.crc = quint32(crc);
    return true;
}

bool ArchiveWriter::writeEnd(ArchiveOutput &output, qint64 count)
{
    // The central directory, its records built again from each entry and
    // where it went, one at a time (the output gathers them into large writes).
    const qint64 offset = output.position();
    QByteArray record;
    for (size_t i = 0; i < m_placed.size(); ++i) {
        record.clear();
        appendCentralRecord(record, i);
        if (!output.write(record.constData(), record.size()))
            return false;
    }
    const qint64 size = output.position() - offset;
    QByteArray end;
    if (count >= Max16 || offset >= Max32 || size >= Max32) {
        // The zip64 end record and its locator; the classic record's fields
        // that overflow say to look there.
        const qint64 at = offset + size;
        put(end, 0x06064b50, 4);
        put(end, 44, 8);
        put(end, UnixHost | MadeByVersion, 2);
        put(end, 45, 2);
        put(end, 0, 8); // this disk, the directory's disk
        put(end, quint64(count), 8);
        put(end, quint64(count), 8);
        put(end, quint64(size), 8);
        put(end, quint64(offset), 8);
        put(end, 0x07064b50, 4);
        put(end, 0, 4);
        put(end, quint64(at), 8);
        put(end, 1, 4);
    }
    put(end, 0x06054b50, 4);
    put(end, 0, 4);
    put(end, quint64(std::min(count, Max16)), 2);
    put(end, quint64(std::min(count, Max16)), 2);
    put(end, quint64(std::min(size, Max32)), 4);
    put(end, quint64(std::min(offset, Max32)), 4);
    put(end, 0, 2);
    return output.write(end.constData(), end.size());
}

bool ArchiveWriter::writeFailed(const ArchiveOutput &output)
{
    m_result.code = ZipResult::WriteError;
    m_result.error = QStringLiteral("Cannot write the archive \"%1\" (%2). Check that its "
                                    "folder exists, is writable and has free space.")
                         .arg(m_archivePath, output.error());
    return false;
}

bool ArchiveWriter::readFailed(size_t index, int systemError)
{
    m_result.code = ZipResult::ReadError;
    m_result.error =
        QStringLiteral("Cannot read the file \"%1\" (%2); no archive was written. "
                       "Check that the file exists and can be read, then try again.")
            .arg(m_entries->sourcePath(index), QString::fromLocal8Bit(std::strerror(systemError)));
    return false;
}

void ArchiveWriter::onProgress(qint64 files, qint64 bytes, bool complete)
{
    bytes = std::min(bytes, m_totalBytes);
    // 100 percent is reported once the archive is complete, with its size.
    int percent = m_totalBytes > 0 ? int(bytes * 100 / m_totalBytes)
                                   : (m_count > 0 ? int(files * 100 / m_count) : 100);
    if (!complete)
        percent = std::min(percent, 99);
    if (percent <= m_lastPercent)
        return;
    m_lastPercent = percent;
    if (m_progress)
        m_progress(files, bytes, complete ? m_result.bytesOutput : 0);
}

} // namespace Corvane::Zip::Internal
