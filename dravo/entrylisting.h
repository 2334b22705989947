#pragma once

#include "dravo_global.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string_view>
#include <vector>

namespace Corvane::Dravo {

// The entries of a zip archive by name, each with its CRC-32: what a publish
// compares with the archive it replaces. Kept compact for archives of many
// small files: the names in UTF-8 in the stored form (encode()) one after
// another, and an index of 16 bytes an entry in name order. A name listed
// twice counts once, with its last CRC.
class CORVANE_DRAVO_EXPORT EntryListing
{
public:
    EntryListing(); // no entries

    // The listing of the zip file at `path`, from its central directory;
    // nullopt when the file cannot be read or is no zip archive. Touches no
    // database: any thread may call it.
    static std::optional<EntryListing> readZip(const QString &path);

    // The listing encode() gave; nullopt when the bytes hold none (a listing
    // stored by an earlier version of the program, or damaged).
    static std::optional<EntryListing> decode(const QByteArray &bytes);
    QByteArray encode() const { return m_bytes; }

    qsizetype size() const { return static_cast<qsizetype>(m_index.size()); }
    // The name and CRC of the entry at `position` in name order.
    QString name(qsizetype position) const;
    quint32 crc(qsizetype position) const { return m_index[size_t(position)].crc; }
    // The CRC of the entry of that name, or nullopt.
    std::optional<quint32> crcOf(const QString &name) const;

    struct Changes
    {
        qint64 added = 0;
        qint64 changed = 0; // the same name with another CRC
        qint64 removed = 0;
    };
    // How `next` differs from this listing.
    Changes changesTo(const EntryListing &next) const;

private:
    struct Entry
    {
        qsizetype offset; // of the name in m_bytes
        quint32 size;
        quint32 crc;
    };

    void append(std::string_view name, quint32 crc);
    // Sorts the index by name and keeps the last entry of each name.
    void finish();
    std::string_view nameAt(const Entry &entry) const;

    QByteArray m_bytes; // the encoded form: a header, then CRC, size and name an entry
    std::vector<Entry> m_index;
};

} // namespace Corvane::Dravo
