#include "archiveoutput.h"

#include <QFile>
#include <QRandomGenerator>

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
}

ArchiveOutput::~ArchiveOutput()
{
    discard();
}

QString ArchiveOutput::error() const
{
    return QString::fromLocal8Bit(std::strerror(m_error));
}

bool ArchiveOutput::open()
{
    discard();
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
            return fail(errno);
    }
    if (exists)
        ::fchmod(m_file, existing.st_mode & 07777);
    m_buffer.reserve(size_t(BufferSize));
    m_bufferStart = m_position = 0;
    return true;
}

bool ArchiveOutput::write(const void *data, qint64 length)
{
    if (m_file < 0)
        return fail(EBADF);
    if (qint64(m_buffer.size()) + length > BufferSize && !flush())
        return false;
    if (length >= BufferSize) {
        if (!writeAt(static_cast<const char *>(data), length, m_position))
            return false;
        m_bufferStart += length;
    } else {
        const auto *bytes = static_cast<const char *>(data);
        m_buffer.insert(m_buffer.end(), bytes, bytes + length);
    }
    m_position += length;
    return true;
}

bool ArchiveOutput::rewrite(qint64 offset, const void *data, qint64 length)
{
    if (m_file < 0)
        return fail(EBADF);
    if (offset >= m_bufferStart && offset + length <= m_position) {
        std::memcpy(m_buffer.data() + (offset - m_bufferStart), data, size_t(length));
        return true;
    }
    // Gone to the file already (the header of an entry larger than the buffer).
    if (offset + length <= m_bufferStart)
        return writeAt(static_cast<const char *>(data), length, offset);
    return fail(EINVAL);
}

bool ArchiveOutput::flush()
{
    if (!m_buffer.empty() && !writeAt(m_buffer.data(), qint64(m_buffer.size()), m_bufferStart))
        return false;
    m_bufferStart = m_position;
    m_buffer.clear();
    return true;
}

bool ArchiveOutput::writeAt(const char *data, qint64 length, qint64 offset)
{
    while (length > 0) {
        const ssize_t n = ::pwrite(m_file, data, size_t(length), off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : ENOSPC);
        data += n;
        length -= n;
        offset += n;
    }
    return true;
}

bool ArchiveOutput::commit()
{
    if (m_file < 0)
        return fail(EBADF);
    if (!flush())
        return false;
    const int file = m_file;
    m_file = -1;
    if (::close(file) != 0 ||
        ::rename(m_temporaryPath.constData(), QFile::encodeName(m_archivePath).constData()) != 0)
        return fail(errno);
    m_temporaryPath.clear();
    m_buffer = {};
    return true;
}

void ArchiveOutput::discard()
{
    if (m_file >= 0)
        ::close(m_file);
    m_file = -1;
    if (!m_temporaryPath.isEmpty())
        ::unlink(m_temporaryPath.constData());
    m_temporaryPath.clear();
    m_buffer = {};
}

bool ArchiveOutput::fail(int systemError)
{
    if (m_error == 0)
        m_error = systemError;
    return false;
}

} // namespace Corvane::Zip::Internal
