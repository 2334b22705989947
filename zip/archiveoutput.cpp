#include "archiveoutput.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Corvane::Zip::Internal {

namespace {

// Bytes gathered before they go to the file: the entries of a tree of small
// pages, headers and all, come to the file in few large writes.
constexpr qint64 BufferSize = 1024 * 1024;

} // namespace

ArchiveOutput::ArchiveOutput(QString archivePath)
    : m_archivePath(std::move(archivePath))
{
    zip_error_init(&m_error);
}

ArchiveOutput::~ArchiveOutput()
{
    rollbackWrite();
    zip_error_fini(&m_error);
}

zip_source_t *ArchiveOutput::source(zip_error_t *error)
{
    return zip_source_function_create(&ArchiveOutput::call, this, error);
}

zip_int64_t ArchiveOutput::call(void *state, void *data, zip_uint64_t length,
                                zip_source_cmd_t command)
{
    auto *self = static_cast<ArchiveOutput *>(state);
    switch (command) {
    case ZIP_SOURCE_STAT:
        // The archive is always written anew: libzip reads nothing of what
        // the file holds now.
        return self->fail(ZIP_ER_READ, ENOENT);
    case ZIP_SOURCE_OPEN:
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_READ:
    case ZIP_SOURCE_TELL:
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_SEEK:
        return self->fail(ZIP_ER_SEEK, EINVAL);
    case ZIP_SOURCE_BEGIN_WRITE:
        return self->beginWrite();
    case ZIP_SOURCE_WRITE:
        return self->write(static_cast<const char *>(data), qint64(length));
    case ZIP_SOURCE_SEEK_WRITE: {
        const zip_int64_t position =
            zip_source_seek_compute_offset(zip_uint64_t(self->m_position),
                                           zip_uint64_t(self->m_end), data, length, &self->m_error);
        if (position < 0)
            return -1;
        self->m_position = position;
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return self->m_position;
    case ZIP_SOURCE_COMMIT_WRITE:
        return self->commitWrite();
    case ZIP_SOURCE_ROLLBACK_WRITE:
        self->rollbackWrite();
        return 0;
    case ZIP_SOURCE_REMOVE:
        if (::unlink(QFile::encodeName(self->m_archivePath).constData()) != 0 && errno != ENOENT)
            return self->fail(ZIP_ER_REMOVE, errno);
        return 0;
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&self->m_error, data, length);
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_WRITABLE;
    default:
        return self->fail(ZIP_ER_OPNOTSUPP, 0);
    }
}

zip_int64_t ArchiveOutput::beginWrite()
{
    rollbackWrite();
    const QByteArray archive = QFile::encodeName(m_archivePath);
    struct stat existing;
    const bool exists = ::stat(archive.constData(), &existing) == 0;
    // Created with 0666 less the umask, as a new file would be; an archive
    // that exists already passes its own permissions on.
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; m_file < 0; ++attempt) {
        QByteArray candidate = archive + '.';
        for (int i = 0; i < 6; ++i)
            candidate += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
        m_file = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_file >= 0)
            m_temporaryPath = candidate;
        else if (errno != EEXIST || attempt >= 100)
            return fail(ZIP_ER_TMPOPEN, errno);
    }
    if (exists)
        ::fchmod(m_file, existing.st_mode & 07777);
    m_buffer.resize(size_t(BufferSize));
    m_bufferStart = m_bufferLength = m_position = m_end = 0;
    return 0;
}

zip_int64_t ArchiveOutput::write(const char *data, qint64 length)
{
    if (m_file < 0)
        return fail(ZIP_ER_INTERNAL, 0);
    const qint64 offset = m_position - m_bufferStart;
    if (offset >= 0 && offset <= m_bufferLength && offset + length <= BufferSize) {
        // Appended to the buffer, or a header rewritten within it.
        std::memcpy(m_buffer.data() + offset, data, size_t(length));
        m_bufferLength = std::max(m_bufferLength, offset + length);
    } else {
        if (!flush())
            return -1;
        if (length >= BufferSize) {
            if (!writeAt(data, length, m_position))
                return -1;
        } else {
            m_bufferStart = m_position;
            std::memcpy(m_buffer.data(), data, size_t(length));
            m_bufferLength = length;
        }
    }
    m_position += length;
    m_end = std::max(m_end, m_position);
    return length;
}

bool ArchiveOutput::flush()
{
    if (m_bufferLength > 0 && !writeAt(m_buffer.data(), m_bufferLength, m_bufferStart))
        return false;
    m_bufferStart = m_position;
    m_bufferLength = 0;
    return true;
}

bool ArchiveOutput::writeAt(const char *data, qint64 length, qint64 offset)
{
    while (length > 0) {
        const ssize_t n = ::pwrite(m_file, data, size_t(length), off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(ZIP_ER_WRITE, n < 0 ? errno : ENOSPC);
            return false;
        }
        data += n;
        length -= n;
        offset += n;
    }
    return true;
}

zip_int64_t ArchiveOutput::commitWrite()
{
    if (m_file < 0)
        return fail(ZIP_ER_INTERNAL, 0);
    if (!flush())
        return -1;
    const int file = m_file;
    m_file = -1;
    if (::close(file) != 0) {
        const int error = errno;
        ::unlink(m_temporaryPath.constData());
        m_temporaryPath.clear();
        return fail(ZIP_ER_WRITE, error);
    }
    if (::rename(m_temporaryPath.constData(), QFile::encodeName(m_archivePath).constData()) != 0) {
        const int error = errno;
        ::unlink(m_temporaryPath.constData());
        m_temporaryPath.clear();
        return fail(ZIP_ER_RENAME, error);
    }
    m_temporaryPath.clear();
    m_buffer = {};
    return 0;
}

void ArchiveOutput::rollbackWrite()
{
    if (m_file >= 0) {
        ::close(m_file);
        m_file = -1;
    }
    if (!m_temporaryPath.isEmpty()) {
        ::unlink(m_temporaryPath.constData());
        m_temporaryPath.clear();
    }
    m_buffer = {};
}

zip_int64_t ArchiveOutput::fail(int code, int systemError)
{
    zip_error_set(&m_error, code, systemError);
    return -1;
}

} // namespace Corvane::Zip::Internal
