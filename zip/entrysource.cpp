#include "entrysource.h"

#include "zip/deflatepool.h"
#include "zip/zipcomponent.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Corvane::Zip::Internal {

EntrySource::~EntrySource()
{
    close();
}

zip_source_t *EntrySource::create(zip_t *archive)
{
    return zip_source_function(archive, &EntrySource::call, this);
}

QString EntrySource::reason() const
{
    return QString::fromLocal8Bit(std::strerror(m_systemError));
}

const DeflatedFile *EntrySource::deflated()
{
    if (m_pool == nullptr || m_deflated != nullptr)
        return m_deflated;
    m_deflated = m_pool->wait(m_index);
    if (m_deflated == nullptr)
        return nullptr;
    if (m_deflated->tooLarge) {
        // Grown past the pool's limit since the walk: streamed like a large file.
        m_pool->release(m_index);
        m_pool = nullptr;
        m_deflated = nullptr;
    } else if (m_deflated->systemError == 0) {
        // Kept for the status libzip asks for again once the data is written.
        m_prepared = true;
        m_size = m_deflated->size;
        m_compressedSize = qint64(m_deflated->data.size());
        m_crc = m_deflated->crc;
    }
    return m_deflated;
}

zip_int64_t EntrySource::stat(zip_stat_t *stat)
{
    if (m_pool != nullptr && deflated() == nullptr && m_pool != nullptr)
        return fail(ZIP_ER_CANCELLED, ECANCELED);
    zip_stat_init(stat);
    stat->mtime = time_t(std::floor(double(m_entry->modifiedMs) / 1000.0));
    stat->size = zip_uint64_t(m_prepared ? m_size : m_entry->size);
    stat->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    if (m_prepared) {
        stat->comp_size = zip_uint64_t(m_compressedSize);
        stat->crc = m_crc;
        stat->comp_method = ZIP_CM_DEFLATE;
        stat->valid |= ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
    }
    return sizeof(zip_stat_t);
}

// Straight system calls: QFile would add two status calls and a read per file.
// A folder found where the file was opens, and fails its first read. A pipe
// or device put in the file's place meanwhile is never read: opening does not
// wait for a writer, and the file's type is checked before the first read.
zip_int64_t EntrySource::open()
{
    if (m_pool != nullptr) {
        const DeflatedFile *file = deflated();
        if (file == nullptr && m_pool != nullptr)
            return fail(ZIP_ER_CANCELLED, ECANCELED);
        if (file != nullptr) {
            // Read once: libzip opens each entry's source one time.
            if (file->systemError != 0)
                return fail(file->failedOpening ? ZIP_ER_OPEN : ZIP_ER_READ, file->systemError);
            m_position = 0;
            return 0;
        }
    }
    m_file = ::open(QFile::encodeName(m_entry->diskPath()).constData(),
                    O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (m_file < 0)
        return fail(ZIP_ER_OPEN, errno);
    struct stat st;
    if (::fstat(m_file, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return fail(ZIP_ER_OPEN, EINVAL);
    return 0;
}

zip_int64_t EntrySource::read(char *data, zip_uint64_t length)
{
    if (m_deflated != nullptr) {
        const auto n = std::min<zip_uint64_t>(length, m_deflated->data.size() - size_t(m_position));
        std::memcpy(data, m_deflated->data.data() + m_position, size_t(n));
        m_position += qint64(n);
        return zip_int64_t(n);
    }
    for (;;) {
        const ssize_t n = ::read(m_file, data, size_t(std::min<zip_uint64_t>(length, 1u << 30)));
        if (n >= 0)
            return n;
        if (errno != EINTR)
            return fail(ZIP_ER_READ, errno);
    }
}

void EntrySource::close()
{
    if (m_file >= 0)
        ::close(m_file);
    m_file = -1;
    if (m_deflated != nullptr) {
        m_pool->release(m_index);
        m_deflated = nullptr;
        m_pool = nullptr;
    }
}

zip_int64_t EntrySource::fail(int code, int systemError)
{
    if (m_error == ZIP_ER_OK)
        m_systemError = systemError;
    m_error = code;
    close();
    return -1;
}

zip_int64_t EntrySource::call(void *state, void *data, zip_uint64_t length,
                              zip_source_cmd_t command)
{
    auto *self = static_cast<EntrySource *>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        return self->open();
    case ZIP_SOURCE_READ:
        return self->read(static_cast<char *>(data), length);
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
        self->close();
        return 0;
    case ZIP_SOURCE_STAT:
        return self->stat(static_cast<zip_stat_t *>(data));
    case ZIP_SOURCE_GET_FILE_ATTRIBUTES: {
        // The Unix mode goes into the external attributes, with MS-DOS's
        // read-only bit beside it, as libzip's own file source has it.
        const ArchiveEntry &entry = *self->m_entry;
        if (entry.unixMode == 0 || length < sizeof(zip_file_attributes_t))
            return 0;
        auto *attributes = static_cast<zip_file_attributes_t *>(data);
        attributes->host_system = ZIP_OPSYS_UNIX;
        attributes->external_file_attributes =
            (entry.unixMode << 16) | ((entry.attributes & FileAttribute::ReadOnly) ? 1u : 0u);
        attributes->valid |=
            ZIP_FILE_ATTRIBUTES_HOST_SYSTEM | ZIP_FILE_ATTRIBUTES_EXTERNAL_FILE_ATTRIBUTES;
        return sizeof(zip_file_attributes_t);
    }
    case ZIP_SOURCE_ERROR: {
        zip_error_t error;
        zip_error_init_with_code(&error, self->m_error);
        const zip_int64_t size = zip_error_to_data(&error, data, length);
        zip_error_fini(&error);
        return size;
    }
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_GET_FILE_ATTRIBUTES, ZIP_SOURCE_SUPPORTS, -1);
    default:
        self->m_error = ZIP_ER_OPNOTSUPP;
        return -1;
    }
}

} // namespace Corvane::Zip::Internal
