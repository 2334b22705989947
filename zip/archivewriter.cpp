#include "archivewriter.h"

#include "zip/zipcomponent.h"

#include "zip/deflatepool.h"
#include "zip/entrysource.h"

#if defined(Q_OS_UNIX)
#include "zip/archiveoutput.h"
#endif

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <zip.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>

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

    // Deflates ahead while libzip writes; it outlives the sources, which hand
    // their buffers back to it.
    DeflatePool pool(entries, m_threads, m_cancel);
    m_pool = &pool;
    struct Forget
    {
        DeflatePool *&pool;
        ~Forget() { pool = nullptr; }
    } forget{m_pool};
    EntrySource source(entries, pool);
    for (size_t i = 0; i < entries.size(); ++i) {
        QString error;
        if (m_cancel || !addEntry(archive, source, i, error)) {
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
        return failure(archive, source);

    WriteResult result;
    result.filesWritten = qint64(entries.size());
    result.bytesWritten = m_totalBytes;
    result.bytesOutput = QFileInfo(m_archivePath).size();
    m_bytesOutput = result.bytesOutput;
    onProgress(1.0, true);
    return result;
}

bool ArchiveWriter::addEntry(zip_t *archive, EntrySource &entrySource, size_t index, QString &error)
{
    const ArchiveEntry &entry = entrySource.entry(index);
    zip_source_t *source = entrySource.create(archive, index);
    if (source == nullptr) {
        error = QStringLiteral("Cannot add \"%1\" to the archive (%2).")
                    .arg(entry.sourcePath(), libzipError(zip_get_error(archive)));
        return false;
    }
    const QByteArray name = entry.name().toUtf8();
    const zip_int64_t added = zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8);
    if (added < 0) {
        zip_source_free(source);
        error = QStringLiteral("Cannot add \"%1\" to the archive as \"%2\" (%3).")
                    .arg(entry.sourcePath(), entry.name(), libzipError(zip_get_error(archive)));
        return false;
    }
    const auto at = zip_uint64_t(added);
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

WriteResult ArchiveWriter::failure(zip_t *archive, const EntrySource &source)
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
        // A file that could not be read: the source kept which, and why.
        if (const ArchiveEntry *failed = source.failedEntry()) {
            result.code = ZipResult::ReadError;
            result.error = QStringLiteral("Cannot read the file \"%1\" (%2); no archive was "
                                          "written. Check that the file exists and can be read, "
                                          "then try again.")
                               .arg(failed->sourcePath(), source.reason());
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
    auto *self = static_cast<ArchiveWriter *>(state);
    if (!self->m_cancel)
        return 0;
    if (self->m_pool != nullptr)
        self->m_pool->wake();
    return 1;
}

} // namespace Corvane::Zip::Internal
