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

EntrySource::EntrySource(const EntryList &entries, DeflatePool &pool)
    : m_entries(entries)
    , m_pool(pool)
    , m_handles(entries.size())
{
    for (size_t i = 0; i < m_handles.size(); ++i)
        m_handles[i] = {this, i};
}

EntrySource::~EntrySource()
{
    close();
}

zip_source_t *EntrySource::create(zip_t *archive, size_t index)
{
    return zip_source_function(archive, &EntrySource::call, &m_handles[index]);
}

const ArchiveEntry *EntrySource::failedEntry() const
{
    return m_error == ZIP_ER_OK ? nullptr : &m_entries[m_failed];
}

QString EntrySource::reason() const
{
    return QString::fromLocal8Bit(std::strerror(m_systemError));
}

void EntrySource::select(size_t index)
{
    if (m_selected && index == m_current)
        return;
    close();
    m_selected = true;
    m_current = index;
    m_pooled = DeflatePool::takes(m_entries[index]);
    m_prepared = false;
}

const DeflatedFile *EntrySource::deflated()
{
    if (!m_pooled || m_deflated != nullptr)
        return m_deflated;
    m_deflated = m_pool.wait(m_current);
    if (m_deflated == nullptr)
        return nullptr;
    if (m_deflated->tooLarge) {
        // Grown past the pool's limit since the walk: streamed like a large file.
        m_pool.release(m_current);
        m_pooled = false;
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
    if (m_pooled && deflated() == nullptr && m_pooled)
        return fail(ZIP_ER_CANCELLED, ECANCELED);
    const ArchiveEntry &entry = m_entries[m_current];
    zip_stat_init(stat);
    stat->mtime = time_t(std::floor(double(entry.modifiedMs) / 1000.0));
    stat->size = zip_uint64_t(m_prepared ? m_size : entry.size);
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
    if (m_prepared && m_deflated == nullptr)
        return fail(ZIP_ER_INTERNAL, 0); // its data was handed over already
    if (m_pooled) {
        const DeflatedFile *file = deflated();
        if (file == nullptr && m_pooled)
            return fail(ZIP_ER_CANCELLED, ECANCELED);
        if (file != nullptr) {
            // Read once: libzip opens each entry's source one time.
            if (file->systemError != 0)
                return fail(file->failedOpening ? ZIP_ER_OPEN : ZIP_ER_READ, file->systemError);
            m_position = 0;
            return 0;
        }
    }
    m_file = ::open(QFile::encodeName(m_entries[m_current].diskPath()).constData(),
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
        // Read once: libzip opens each entry's source one time.
        m_pool.release(m_current);
        m_deflated = nullptr;
        m_pooled = false;
    }
}

zip_int64_t EntrySource::fail(int code, int systemError)
{
    if (m_error == ZIP_ER_OK) {
        m_systemError = systemError;
        m_error = code;
        m_failed = m_current;
    }
    close();
    return -1;
}

zip_int64_t EntrySource::call(void *state, void *data, zip_uint64_t length,
                              zip_source_cmd_t command)
{
    const auto *handle = static_cast<const Handle *>(state);
    return handle->source->command(handle->index, data, length, command);
}

zip_int64_t EntrySource::command(size_t index, void *data, zip_uint64_t length,
                                 zip_source_cmd_t command)
{
    switch (command) {
    case ZIP_SOURCE_OPEN:
        select(index);
        return open();
    case ZIP_SOURCE_READ:
        return read(static_cast<char *>(data), length);
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
        if (index == m_current)
            close();
        return 0;
    case ZIP_SOURCE_STAT:
        select(index);
        return stat(static_cast<zip_stat_t *>(data));
    case ZIP_SOURCE_GET_FILE_ATTRIBUTES: {
        // The Unix mode goes into the external attributes, with MS-DOS's
        // read-only bit beside it, as libzip's own file source has it.
        const ArchiveEntry &entry = m_entries[index];
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
        zip_error_init_with_code(&error, m_error);
        const zip_int64_t size = zip_error_to_data(&error, data, length);
        zip_error_fini(&error);
        return size;
    }
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_GET_FILE_ATTRIBUTES, ZIP_SOURCE_SUPPORTS, -1);
    default:
        return -1; // not announced in ZIP_SOURCE_SUPPORTS: libzip does not ask
    }
}

} // namespace Corvane::Zip::Internal
