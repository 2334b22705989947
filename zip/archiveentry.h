#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <deque>
#include <memory>
#include <vector>

namespace Corvane::Zip::Internal {

// What an archive keeps of one file besides its texts.
struct ArchiveEntry
{
    qint64 size = 0;
    qint64 modifiedMs = 0; // milliseconds since 1970-01-01 UTC
    qint64 accessedMs = 0;
    qint32 attributes = 0; // FileAttribute bits
    quint32 unixMode = 0;  // st_mode, 0 where the system has none
    bool store = false;    // stored as it is (content compressed already), else deflated
};

// The entries of an archive, in order. A tree of 100,000 pages keeps this
// list until its archive is written, so it holds no string per file: a
// fixed-size record each, the names in UTF-8 in shared blocks, and each
// folder once (the files of a folder come one after another). A file's name
// on disk is usually the tail of its entry name, and is then not kept again.
class EntryList final
{
public:
    EntryList();
    ~EntryList();
    EntryList(EntryList &&other) noexcept;
    EntryList &operator=(EntryList &&other) noexcept;

    // Adds a file read from `diskPath`, reported as `sourcePath`, as the
    // entry `name` (relative, '/' between parts); false, and nothing added,
    // when the list holds that name already (names compare exactly).
    bool add(const ArchiveEntry &entry, const QString &sourcePath, const QString &diskPath,
             const QString &name);
    bool contains(const QString &name) const;

    size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    const ArchiveEntry &operator[](size_t index) const { return m_records[index].entry; }
    // The entry name, in UTF-8.
    QByteArrayView name(size_t index) const;
    // The path reported for the file, named in errors.
    QString sourcePath(size_t index) const;
    // The file read.
    QString diskPath(size_t index) const;

private:
    struct Record
    {
        ArchiveEntry entry;
        quint64 nameAt = 0;     // the entry name's offset in the text blocks
        quint32 nameLength = 0; // UTF-8 bytes
        quint32 folder = 0;     // in m_folders
        quint64 fileAt = 0;     // the file name's on disk
        quint32 fileLength = 0;
    };
    struct Folder
    {
        QString source;
        QString disk;
        bool diskWhole = false; // disk is the file's whole path
    };

    QByteArrayView text(quint64 at, quint32 length) const;
    quint64 addText(QByteArrayView bytes);
    size_t slotOf(QByteArrayView name) const;
    void grow();

    std::deque<Record> m_records;
    std::vector<Folder> m_folders;
    std::vector<std::unique_ptr<char[]>> m_blocks; // texts; none spans two blocks
    quint64 m_textEnd = 0;                         // where the next text goes
    std::vector<quint32> m_slots; // open addressing over the names: record index + 1, 0 free
};

struct WriteResult
{
    qint32 code = 0; // ZipResult
    QString error;   // readable reason when code is not Success
    qint64 filesWritten = 0;
    qint64 bytesWritten = 0; // uncompressed bytes stored
    qint64 bytesOutput = 0;  // size of the archive file
};

} // namespace Corvane::Zip::Internal
