#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <zip.h>

#include <vector>

namespace Corvane::Zip::Internal {

// The archive file as libzip writes it, where the system has POSIX files.
// libzip writes an entry's header, its data, then goes back to rewrite the
// header with the sizes and the checksum. Over libzip's own file every such
// return costs a flush, three seeks and two reads of the block around it,
// which on a tree of small pages is more than the compression. Here the
// writes gather in a buffer: a return into it is a copy, and the file gets
// one write a megabyte. As with libzip's own file, the archive is written
// to a temporary file beside it ("<archive>.XXXXXX", with the archive's
// permissions or, for a new one, the umask's) that replaces it only when
// libzip commits, and that is removed otherwise.
class ArchiveOutput final
{
public:
    explicit ArchiveOutput(QString archivePath);
    ~ArchiveOutput();

    // A libzip source over this output, for zip_open_from_source with
    // ZIP_CREATE | ZIP_TRUNCATE. The output outlives the source.
    zip_source_t *source(zip_error_t *error);

private:
    static zip_int64_t call(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command);
    zip_int64_t beginWrite();
    zip_int64_t write(const char *data, qint64 length);
    zip_int64_t commitWrite();
    void rollbackWrite();
    bool flush();
    bool writeAt(const char *data, qint64 length, qint64 offset);
    zip_int64_t fail(int code, int systemError);

    QString m_archivePath;
    QByteArray m_temporaryPath;
    int m_file = -1;
    std::vector<char> m_buffer;
    qint64 m_bufferStart = 0;  // file offset of the buffer's first byte
    qint64 m_bufferLength = 0; // bytes in the buffer, from its start
    qint64 m_position = 0;     // where the next write goes
    qint64 m_end = 0;          // size of what was written
    zip_error_t m_error;
    Q_DISABLE_COPY_MOVE(ArchiveOutput)
};

} // namespace Corvane::Zip::Internal
