#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

namespace Corvane::Zip::Internal {

// The archive file as the writer writes it, where the system has POSIX
// files. Writes gather in a buffer and reach the file a megabyte at a time; a
// header rewritten once its entry's data is known is a copy while it is still
// in the buffer. The archive is written to a temporary file beside it
// ("<archive>.XXXXXX", with the archive's permissions or, for a new one, the
// umask's) that replaces it only on commit, and that is removed otherwise.
class ArchiveOutput final
{
public:
    explicit ArchiveOutput(QString archivePath);
    ~ArchiveOutput();

    // Each returns false on failure; error() says why.
    bool open();
    bool write(const void *data, qint64 length);
    // Rewrites bytes written already, at `offset`.
    bool rewrite(qint64 offset, const void *data, qint64 length);
    // Replaces the archive with what was written.
    bool commit();
    qint64 position() const { return m_position; }
    QString error() const;

private:
    bool flush();
    bool writeAt(const char *data, qint64 length, qint64 offset);
    bool fail(int systemError);
    void discard();

    QString m_archivePath;
    QByteArray m_temporaryPath;
    int m_file = -1;
    std::vector<char> m_buffer;
    qint64 m_bufferStart = 0; // file offset of the buffer's first byte
    qint64 m_position = 0;    // bytes written, buffer included
    int m_error = 0;          // errno of the first failure
    Q_DISABLE_COPY_MOVE(ArchiveOutput)
};

} // namespace Corvane::Zip::Internal
