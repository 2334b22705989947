#include "archivewriter.h"

#include "zip/zipcomponent.h"

#if defined(Q_OS_UNIX)
#include "zip/archiveoutput.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <zip.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace Corvane::Zip::Internal {

namespace {

// Deflate level of every deflated entry: zlib's default, as Info-ZIP's zip uses.
// (libzip's own default is the slowest level, 9.)
constexpr zip_uint32_t DeflateLevel = 6;

// Extended timestamp extra field (Info-ZIP "UT"): modification time in UTC seconds.
constexpr zip_uint16_t ExtendedTimestampId = 0x5455;

// The time stored when entries carry no modification time: 1980-01-01 00:00,
// the earliest time an MS-DOS date can hold, in local time as libzip writes it.
time_t dosEpoch()
{
    std::tm epoch{};
    epoch.tm_year = 80;
    epoch.tm_mday = 1;
    epoch.tm_isdst = -1;
    return std::mktime(&epoch);
}

void putLittleEndian32(zip_uint8_t *to, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        to[i] = zip_uint8_t(value >> (8 * i));
}

QString libzipError(zip_error_t *error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

#if defined(__GLIBC__)
// Blocks below this size come from the heap rather than from a mapping of
// their own: the deflate state, and the data engine's 1 MB chunk buffers.
constexpr int MmapThreshold = 4 * 1024 * 1024;
// Free space the top of a heap keeps before it is given back to the system.
constexpr int TrimThreshold = 8 * 1024 * 1024;
#endif

// libzip gives every deflated entry a zlib stream of its own (about 400 KB:
// window, hash chains, two 128 KB tables) and frees it when the entry is
// written. Under glibc's default thresholds the 128 KB tables sit at the edge
// of the mmap threshold and the freed state lies at the top of the worker's
// heap, above the trim threshold: each entry hands the pages back to the system
// and faults them in again, up to 1 ms an entry, several times what deflating a
// small page costs. Fixed thresholds keep the state's pages in the heap from
// one entry to the next. Both are needed: setting either one turns off glibc's
// own adjustment of the other, which would otherwise follow the largest block
// freed (up to 32 MB). What they cost is bounded: at most 8 MB of free heap a
// thread stays mapped, and blocks of 4 MB or more still get mappings of their
// own that go back on free. Set once a process, before the first archive, and
// left alone when the user tuned the allocator through its environment.
void keepDeflateStateResident()
{
#if defined(__GLIBC__)
    [[maybe_unused]] static const bool tuned = [] {
        for (const char *name :
             {"MALLOC_MMAP_THRESHOLD_", "MALLOC_TRIM_THRESHOLD_", "MALLOC_TOP_PAD_"}) {
            if (qEnvironmentVariableIsSet(name))
                return false;
        }
        if (qEnvironmentVariable("GLIBC_TUNABLES").contains(QLatin1String("glibc.malloc.")))
            return false;
        return mallopt(M_MMAP_THRESHOLD, MmapThreshold) == 1 &&
               mallopt(M_TRIM_THRESHOLD, TrimThreshold) == 1;
    }();
#endif
}

} // namespace

// libzip reads every entry through this instead of its own file source. That
// one looks at each file once more when the entry is added and keeps a context
// and a copy of the path per entry until the archive is closed: a system call
// and some 250 bytes a file, which count on trees of 100,000 small pages. Here
// the walk's size, time and mode stand in for that look, and the file is
// opened only while libzip reads it. The archive comes out byte for byte as
// with libzip's own file source.
struct ArchiveWriter::EntryFile
{
    const ArchiveEntry *entry = nullptr;
#if defined(Q_OS_UNIX)
    int file = -1; // open while libzip reads the entry
#else
    std::unique_ptr<QFile> file;
#endif
    int error = ZIP_ER_OK; // what failed, as libzip asks for it
#if defined(Q_OS_UNIX)
    int systemError = 0; // why (errno)
#else
    QString failure; // why
#endif

    static zip_int64_t call(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command);
    bool open();
    qint64 read(char *data, qint64 length);
    void close();
    void keepReason();      // of the open or read that failed just now
    QString reason() const; // for the message that names the file
    zip_int64_t fail(int code)
    {
        if (error == ZIP_ER_OK)
            keepReason();
        error = code;
        close();
        return -1;
    }
};

#if defined(Q_OS_UNIX)
// Straight system calls: QFile would add two status calls and a read per file.
// A folder found where the file was opens, and fails its first read. A pipe
// or device put in the file's place meanwhile is never read: opening does not
// wait for a writer, and the file's type is checked before the first read.
bool ArchiveWriter::EntryFile::open()
{
    file = ::open(QFile::encodeName(entry->diskPath).constData(),
                  O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (file < 0)
        return false;
    struct stat st;
    if (::fstat(file, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        ::close(file);
        file = -1;
        errno = EINVAL;
        return false;
    }
    return true;
}

qint64 ArchiveWriter::EntryFile::read(char *data, qint64 length)
{
    for (;;) {
        const ssize_t n = ::read(file, data, size_t(length));
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

void ArchiveWriter::EntryFile::close()
{
    if (file >= 0)
        ::close(file);
    file = -1;
}

void ArchiveWriter::EntryFile::keepReason()
{
    systemError = errno;
}

QString ArchiveWriter::EntryFile::reason() const
{
    return QString::fromLocal8Bit(std::strerror(systemError));
}
#else
bool ArchiveWriter::EntryFile::open()
{
    file = std::make_unique<QFile>(entry->diskPath);
    return file->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 ArchiveWriter::EntryFile::read(char *data, qint64 length)
{
    return file->read(data, length);
}

void ArchiveWriter::EntryFile::close()
{
    file.reset();
}

void ArchiveWriter::EntryFile::keepReason()
{
    failure = file ? file->errorString() : QString();
}

QString ArchiveWriter::EntryFile::reason() const
{
    return failure;
}
#endif

zip_int64_t ArchiveWriter::EntryFile::call(void *state, void *data, zip_uint64_t length,
                                           zip_source_cmd_t command)
{
    auto *self = static_cast<EntryFile *>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        if (!self->open())
            return self->fail(ZIP_ER_OPEN);
        return 0;
    case ZIP_SOURCE_READ: {
        const qint64 n = self->read(static_cast<char *>(data),
                                    qint64(std::min<zip_uint64_t>(length, zip_uint64_t(1) << 30)));
        if (n < 0)
            return self->fail(ZIP_ER_READ);
        return n;
    }
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
        self->close();
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *stat = static_cast<zip_stat_t *>(data);
        stat->size = zip_uint64_t(self->entry->size);
        stat->mtime = time_t(std::floor(double(self->entry->modifiedMs) / 1000.0));
        stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_GET_FILE_ATTRIBUTES: {
        // The Unix mode goes into the external attributes, with MS-DOS's
        // read-only bit beside it, as libzip's own file source has it.
        if (self->entry->unixMode == 0 || length < sizeof(zip_file_attributes_t))
            return 0;
        auto *attributes = static_cast<zip_file_attributes_t *>(data);
        const quint32 mode = self->entry->unixMode;
        attributes->host_system = ZIP_OPSYS_UNIX;
        attributes->external_file_attributes =
            (mode << 16) | ((self->entry->attributes & FileAttribute::ReadOnly) ? 1u : 0u);
        attributes->valid |=
            ZIP_FILE_ATTRIBUTES_HOST_SYSTEM | ZIP_FILE_ATTRIBUTES_EXTERNAL_FILE_ATTRIBUTES;
        return sizeof(zip_file_attributes_t);
    }
    case ZIP_SOURCE_ERROR: {
        zip_error_t error;
        zip_error_init_with_code(&error, self->error);
        const zip_int64_t size = zip_error_to_data(&error, data, length);
        zip_error_fini(&error);
        return size;
    }
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_GET_FILE_ATTRIBUTES, ZIP_SOURCE_SUPPORTS, -1);
    default:
        self->error = ZIP_ER_OPNOTSUPP;
        return -1;
    }
}

ArchiveWriter::ArchiveWriter(QString archivePath, qint32 metadataOptions,
                             const std::atomic_bool &cancel, Progress progress)
    : m_archivePath(std::move(archivePath))
    , m_metadata(metadataOptions)
    , m_cancel(cancel)
    , m_progress(std::move(progress))
{
}

WriteResult ArchiveWriter::write(const EntryList &entries)
{
    if (entries.empty())
        return writeEmpty();

    m_sizes.clear();
    m_before.clear();
    m_totalBytes = 0;
    for (const ArchiveEntry &entry : entries) {
        m_before.push_back(m_totalBytes);
        m_sizes.push_back(entry.size);
        m_totalBytes += entry.size;
    }

    keepDeflateStateResident();
    zip_error_t openError;
#if defined(Q_OS_UNIX)
    // Outlives the archive: libzip writes through it until zip_close or zip_discard.
    ArchiveOutput output(m_archivePath);
    zip_error_init(&openError);
    zip_source_t *outputSource = output.source(&openError);
    zip_t *archive =
        outputSource == nullptr
            ? nullptr
            : zip_open_from_source(outputSource, ZIP_CREATE | ZIP_TRUNCATE, &openError);
    if (archive == nullptr && outputSource != nullptr)
        zip_source_free(outputSource);
#else
    int code = 0;
    zip_t *archive =
        zip_open(QFile::encodeName(m_archivePath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    zip_error_init_with_code(&openError, code);
#endif
    if (archive == nullptr) {
        WriteResult result;
        result.code = ZipResult::WriteError;
        result.error = QStringLiteral("Cannot create the archive \"%1\" (%2). Check that its "
                                      "folder exists and is writable.")
                           .arg(m_archivePath, libzipError(&openError));
        zip_error_fini(&openError);
        return result;
    }
    zip_error_fini(&openError);
    // Progress fine enough that a single large entry still moves the byte
    // percentage by whole points; onProgress passes on only new percents.
    zip_register_progress_callback_with_state(archive, 0.01 / double(entries.size()),
                                              &ArchiveWriter::progressCallback, nullptr, this);
    zip_register_cancel_callback_with_state(archive, &ArchiveWriter::cancelCallback, nullptr, this);

    // libzip holds a pointer to each: the vector is not resized from here on.
    std::vector<EntryFile> files(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        files[i].entry = &entries[i];
        QString error;
        if (m_cancel || !addEntry(archive, files[i], error)) {
            WriteResult result;
            result.code = m_cancel ? ZipResult::Cancelled : ZipResult::ReadError;
            result.error = m_cancel ? QStringLiteral("The operation was cancelled; no archive "
                                                     "was written.")
                                    : error;
            zip_discard(archive);
            return result;
        }
    }

    if (zip_close(archive) != 0)
        return failure(archive, files);

    WriteResult result;
    result.filesWritten = qint64(entries.size());
    result.bytesWritten = m_totalBytes;
    result.bytesOutput = QFileInfo(m_archivePath).size();
    m_bytesOutput = result.bytesOutput;
    onProgress(1.0, true);
    return result;
}

bool ArchiveWriter::addEntry(zip_t *archive, EntryFile &file, QString &error)
{
    const ArchiveEntry &entry = *file.entry;
    zip_source_t *source = zip_source_function(archive, &EntryFile::call, &file);
    if (source == nullptr) {
        error = QStringLiteral("Cannot add \"%1\" to the archive (%2).")
                    .arg(entry.sourcePath, libzipError(zip_get_error(archive)));
        return false;
    }
    const QByteArray name = entry.name.toUtf8();
    const zip_int64_t index = zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        error = QStringLiteral("Cannot add \"%1\" to the archive as \"%2\" (%3).")
                    .arg(entry.sourcePath, entry.name, libzipError(zip_get_error(archive)));
        return false;
    }
    const auto at = zip_uint64_t(index);
    if (entry.store)
        zip_set_file_compression(archive, at, ZIP_CM_STORE, 0);
    else
        zip_set_file_compression(archive, at, ZIP_CM_DEFLATE, DeflateLevel);

    const bool keepTime = (m_metadata & MetadataOption::ModificationTime) != 0;
    if (!keepTime) {
        static const time_t epoch = dosEpoch();
        zip_file_set_mtime(archive, at, epoch, 0);
    }
    if ((m_metadata & MetadataOption::UnixPermissions) == 0) {
        const qint32 dos = entry.attributes & (FileAttribute::ReadOnly | FileAttribute::Hidden |
                                               FileAttribute::System | FileAttribute::Archive);
        zip_file_set_external_attributes(archive, at, 0, ZIP_OPSYS_DOS, zip_uint32_t(dos));
    }
    const qint64 modified = entry.modifiedMs / 1000;
    const qint64 accessed = entry.accessedMs / 1000;
    if (keepTime && (m_metadata & MetadataOption::ExtendedTimestamp) != 0 && modified >= 0 &&
        modified <= 0xFFFFFFFFLL) {
        const bool withAccess = (m_metadata & MetadataOption::AccessTime) != 0 && accessed >= 0 &&
                                accessed <= 0xFFFFFFFFLL;
        zip_uint8_t local[9];
        local[0] = withAccess ? 0x03 : 0x01;
        putLittleEndian32(local + 1, quint32(modified));
        if (withAccess)
            putLittleEndian32(local + 5, quint32(accessed));
        // The central field repeats the flags but carries the modification time only.
        zip_file_extra_field_set(archive, at, ExtendedTimestampId, ZIP_EXTRA_FIELD_NEW, local,
                                 withAccess ? 9 : 5, ZIP_FL_LOCAL);
        zip_file_extra_field_set(archive, at, ExtendedTimestampId, ZIP_EXTRA_FIELD_NEW, local, 5,
                                 ZIP_FL_CENTRAL);
    }
    return true;
}

WriteResult ArchiveWriter::failure(zip_t *archive, const std::vector<EntryFile> &files)
{
    WriteResult result;
    zip_error_t *error = zip_get_error(archive);
    if (m_cancel || zip_error_code_zip(error) == ZIP_ER_CANCELLED) {
        result.code = ZipResult::Cancelled;
        result.error = QStringLiteral("The operation was cancelled; no archive was written.");
    } else {
        result.code = ZipResult::WriteError;
        result.error = QStringLiteral("Cannot write the archive \"%1\" (%2). Check that its folder "
                                      "exists, is writable and has free space.")
                           .arg(m_archivePath, libzipError(error));
        // A file that could not be read keeps its reason in its own state.
        for (const EntryFile &file : files) {
            if (file.error != ZIP_ER_OK) {
                result.code = ZipResult::ReadError;
                result.error = QStringLiteral("Cannot read the file \"%1\" (%2); no archive was "
                                              "written. Check that the file exists and can be "
                                              "read, then try again.")
                                   .arg(file.entry->sourcePath, file.reason());
                break;
            }
        }
    }
    zip_discard(archive);
    return result;
}

WriteResult ArchiveWriter::writeEmpty()
{
    // libzip removes an archive without entries when it closes it; an empty
    // archive is the end of central directory record alone.
    static const char endOfCentralDirectory[22] = {'P', 'K', 5, 6};
    WriteResult result;
    QSaveFile file(m_archivePath);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(endOfCentralDirectory, sizeof endOfCentralDirectory) !=
            qint64(sizeof endOfCentralDirectory) ||
        !file.commit()) {
        result.code = ZipResult::WriteError;
        result.error = QStringLiteral("Cannot write the archive \"%1\" (%2). Check that its folder "
                                      "exists, is writable and has free space.")
                           .arg(m_archivePath, file.errorString());
        return result;
    }
    result.bytesOutput = sizeof endOfCentralDirectory;
    m_bytesOutput = result.bytesOutput;
    m_totalBytes = 0;
    m_sizes.clear();
    onProgress(1.0, true);
    return result;
}

void ArchiveWriter::onProgress(double fraction, bool complete)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    const auto count = qint64(m_sizes.size());
    qint64 files = 0;
    qint64 bytes = 0;
    if (complete || count == 0) {
        files = count;
        bytes = m_totalBytes;
    } else {
        // libzip gives each entry an equal slice of the fraction and moves
        // through the slice as the entry's bytes are read.
        const double position = fraction * double(count);
        const qint64 index = std::min(count - 1, qint64(position));
        files = index;
        bytes = m_before[size_t(index)] +
                qint64((position - double(index)) * double(m_sizes[size_t(index)]));
    }
    // 100 percent is reported once the archive is complete, with its size.
    int percent = m_totalBytes > 0 ? int(bytes * 100 / m_totalBytes)
                                   : (count > 0 ? int(files * 100 / count) : 100);
    if (!complete)
        percent = std::min(percent, 99);
    if (percent <= m_lastPercent)
        return;
    m_lastPercent = percent;
    if (m_progress)
        m_progress(files, bytes, m_bytesOutput);
}

void ArchiveWriter::progressCallback(zip_t *, double fraction, void *state)
{
    static_cast<ArchiveWriter *>(state)->onProgress(fraction, false);
}

int ArchiveWriter::cancelCallback(zip_t *, void *state)
{
    return static_cast<ArchiveWriter *>(state)->m_cancel ? 1 : 0;
}

} // namespace Corvane::Zip::Internal
