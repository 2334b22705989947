#pragma once

#include "zip/archiveentry.h"

#include <QString>

#include <zip.h>

#include <vector>

namespace Corvane::Zip::Internal {

class DeflatePool;
struct DeflatedFile;

// libzip reads every entry of an archive through this instead of its own file
// source. That one looks at each file once more when the entry is added and
// keeps a context and a copy of the path per entry until the archive is
// closed: a system call and some 250 bytes a file, which count on trees of
// 100,000 small pages. Here the walk's size, time and mode stand in for that
// look, the file is opened only while libzip reads it, and what reading needs
// is kept once, for the entry being written (libzip writes one at a time):
// an entry's own share is two words.
//
// An entry the deflate pool takes reaches libzip deflated already: its status
// reports the method, both sizes and the CRC, so libzip copies the data as it
// is (it compresses only when the method it reads differs from the entry's).
class EntrySource final
{
public:
    EntrySource(const EntryList &entries, DeflatePool &pool);
    ~EntrySource();

    // A libzip source over the entry at `index`, owned by the archive it is added to.
    zip_source_t *create(zip_t *archive, size_t index);
    const ArchiveEntry &entry(size_t index) const { return m_entries[index]; }
    // The entry whose file could not be opened or read, and why; null when none.
    const ArchiveEntry *failedEntry() const;
    QString reason() const;

private:
    struct Handle
    {
        EntrySource *source;
        size_t index;
    };

    static zip_int64_t call(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t command(size_t index, void *data, zip_uint64_t length, zip_source_cmd_t command);
    void select(size_t index);
    zip_int64_t stat(zip_stat_t *stat);
    zip_int64_t open();
    zip_int64_t read(char *data, zip_uint64_t length);
    void close();
    zip_int64_t fail(int code, int systemError);
    // The pool's result for the current entry; null when it is streamed or cancelled.
    const DeflatedFile *deflated();

    const EntryList &m_entries;
    DeflatePool &m_pool;
    std::vector<Handle> m_handles; // libzip holds a pointer to each: never resized

    // The entry being written.
    size_t m_current = 0;
    bool m_selected = false;
    bool m_pooled = false; // its data comes from the pool
    const DeflatedFile *m_deflated = nullptr;
    qint64 m_position = 0;   // in the deflated data
    bool m_prepared = false; // deflated by the pool: what its status reports
    quint32 m_crc = 0;
    qint64 m_size = 0;
    qint64 m_compressedSize = 0;
    int m_file = -1; // open while libzip reads a streamed entry

    int m_error = ZIP_ER_OK; // the first failure to open or read, as libzip asks for it
    int m_systemError = 0;   // why (errno)
    size_t m_failed = 0;     // of which entry
    Q_DISABLE_COPY_MOVE(EntrySource)
};

} // namespace Corvane::Zip::Internal
