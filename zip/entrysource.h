#pragma once

#include "zip/archiveentry.h"

#include <QString>

#include <zip.h>

#include <memory>

class QFile;

namespace Corvane::Zip::Internal {

class DeflatePool;
struct DeflatedFile;

// libzip reads every entry through this instead of its own file source. That
// one looks at each file once more when the entry is added and keeps a context
// and a copy of the path per entry until the archive is closed: a system call
// and some 250 bytes a file, which count on trees of 100,000 small pages. Here
// the walk's size, time and mode stand in for that look, and the file is
// opened only while libzip reads it.
//
// An entry the deflate pool takes reaches libzip deflated already: its status
// reports the method, both sizes and the CRC, so libzip copies the data as it
// is (it compresses only when the method it reads differs from the entry's).
class EntrySource final
{
public:
    EntrySource() = default;
    ~EntrySource();
    EntrySource(EntrySource &&) = default;
    EntrySource &operator=(EntrySource &&) = default;

    void setEntry(const ArchiveEntry *entry, DeflatePool *pool, size_t index)
    {
        m_entry = entry;
        m_pool = pool;
        m_index = index;
    }
    const ArchiveEntry &entry() const { return *m_entry; }

    // A libzip source over this entry, owned by the archive it is added to.
    zip_source_t *create(zip_t *archive);
    // Whether opening or reading the file failed, and why (for the message that names it).
    bool failed() const { return m_error != ZIP_ER_OK; }
    QString reason() const;

private:
    static zip_int64_t call(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t stat(zip_stat_t *stat);
    zip_int64_t open();
    zip_int64_t read(char *data, zip_uint64_t length);
    void close();
    zip_int64_t fail(int code, int systemError);
    // The pool's result for this entry; null when the file is streamed.
    const DeflatedFile *deflated();

    const ArchiveEntry *m_entry = nullptr;
    DeflatePool *m_pool = nullptr; // set when the pool takes the entry
    size_t m_index = 0;
    const DeflatedFile *m_deflated = nullptr;
    qint64 m_position = 0;   // in the deflated data
    bool m_prepared = false; // deflated by the pool: what its status reports
    quint32 m_crc = 0;
    qint64 m_size = 0;
    qint64 m_compressedSize = 0;
    int m_file = -1; // open while libzip reads a streamed entry
    int m_error = ZIP_ER_OK;
    int m_systemError = 0;
};

} // namespace Corvane::Zip::Internal
