#pragma once

#include "host_global.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QTemporaryDir;
struct zip;

namespace Corvane::Dravo {
class ActionPadStore;
}

namespace Corvane::Host {

// A published action pad archive opened for reading: its entries as the
// central directory lists them, and single entries read on demand, so that
// memory stays bounded whatever the archive's size. Entry names are compared
// without regard to letter case, with '\\' taken for '/'.
class CORVANE_HOST_EXPORT PublishedArchive final
{
public:
    struct Entry
    {
        QString name;
        qint64 size = 0;
        qint64 compressedSize = 0;
        quint32 crc32 = 0;
    };

    // Opens a zip file on disk. Error 5 naming the file when it is no
    // readable zip archive.
    explicit PublishedArchive(const QString &zipPath);
    ~PublishedArchive();
    Q_DISABLE_COPY_MOVE(PublishedArchive)

    // Copies the archive stored in the database into a temporary folder of
    // its own, removed with the returned object, and opens the copy; null
    // when no archive is stored. Error 75 when the copy cannot be written,
    // error 5 when the stored bytes are no zip archive.
    static std::unique_ptr<PublishedArchive> copyFromStore(Dravo::ActionPadStore &store);

    QString fileName() const { return m_fileName; }
    // In the archive's order.
    const QList<Entry> &entries() const { return m_entries; }

    // The name of the entry called `name`, as the archive spells it; empty
    // when there is none.
    QString entryName(const QString &name) const;
    // The entry whose name is the longest trailing path of `location` (whole
    // path components only; the entry's own name included), as the archive
    // spells it; empty when none is. Folder entries never match.
    QString entryForLocation(const QString &location) const;
    // The bytes of the entry called `name`; nullopt when there is none.
    // Error 6 when it is larger than `maxSize`, error 5 when it cannot be read.
    std::optional<QByteArray> read(const QString &name, qint64 maxSize) const;

    // Reads every entry through and checks it against its CRC-32; one line per
    // entry that fails (its name and why), empty when all are sound.
    QStringList damagedEntries() const;

    // The form in which names are compared.
    static QString comparable(const QString &name);

private:
    [[noreturn]] void failReading(const QString &entryName, const QString &reason) const;

    QString m_fileName;
    std::unique_ptr<QTemporaryDir> m_folder; // holds the file when it is a copy
    zip *m_archive = nullptr;
    QList<Entry> m_entries;
    QList<quint64> m_indexes;          // each entry's index in the zip file
    QHash<QString, qsizetype> m_names; // comparable name -> position in m_entries
};

} // namespace Corvane::Host
