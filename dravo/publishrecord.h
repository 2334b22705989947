#pragma once

#include "dravo_global.h"
#include "entrylisting.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace Corvane::Dravo {

class Engine;

// What the last publish stored, kept beside the archive and written in the
// same transaction: when, and how its entries compare with the archive it
// replaced (N entries, M added, K changed, R removed; "changed" is the same
// name with another CRC-32). The entries' names and CRCs are kept too, so
// that a dry run compares against them without reading the archive.
struct CORVANE_DRAVO_EXPORT PublishRecord
{
    QDateTime publishedAt; // UTC
    qint64 entries = 0;
    qint64 added = 0;
    qint64 changed = 0;
    qint64 removed = 0;

    // The record of the stored archive; nullopt when none was kept with it.
    static std::optional<PublishRecord> read(Engine &engine);

    // The entries of the stored archive: the listing kept with it, else its
    // central directory; nullopt when no archive is stored. Changes nothing.
    static std::optional<EntryListing> storedEntries(Engine &engine);

    // Inside the transaction that stores a new archive: records its entries
    // (`next`, EntryListing::readZip) against those of the archive it replaces
    // (`previous`, storedEntries taken before the old archive went). No
    // entries (no zip archive) leave no record.
    static void write(Engine &engine, const std::optional<EntryListing> &previous,
                      const std::optional<EntryListing> &next);

    // "12 entries, 2 added, 1 changed, 0 removed"
    QString summary() const;
};

} // namespace Corvane::Dravo
