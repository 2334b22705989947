#include "publishrecord.h"

#include "actionpadstore.h"
#include "engine.h"
#include "query.h"

#include <QTemporaryFile>

namespace Corvane::Dravo {

namespace {

std::optional<EntryListing> keptListing(Engine &engine)
{
    Internal::Query query(engine, QStringLiteral("SELECT listing FROM actionpad_publish"),
                          QStringLiteral("read the entries of the last publish"));
    query.exec();
    if (!query.next())
        return std::nullopt;
    return EntryListing::decode(query.value(0).toByteArray());
}

} // namespace

std::optional<PublishRecord> PublishRecord::read(Engine &engine)
{
    Internal::Query query(engine,
                          QStringLiteral("SELECT published_at, entry_count, added, changed, "
                                         "removed FROM actionpad_publish"),
                          QStringLiteral("read the record of the last publish"));
    query.exec();
    if (!query.next())
        return std::nullopt;
    PublishRecord record;
    record.publishedAt = QDateTime::fromMSecsSinceEpoch(query.value(0).toLongLong(), Qt::UTC);
    record.entries = query.value(1).toLongLong();
    record.added = query.value(2).toLongLong();
    record.changed = query.value(3).toLongLong();
    record.removed = query.value(4).toLongLong();
    return record;
}

std::optional<EntryListing> PublishRecord::storedEntries(Engine &engine)
{
    std::optional<EntryListing> listing;
    engine.transaction(
        [&] {
            ActionPadStore store(engine);
            if (!store.hasContent())
                return;
            listing = keptListing(engine);
            if (listing)
                return;
            // Stored before records were kept, or kept in an earlier form: read
            // the archive's own directory, from a copy that goes with this call.
            QTemporaryFile copy;
            if (!copy.open())
                return;
            store.readContent(copy);
            copy.flush();
            listing = EntryListing::readZip(copy.fileName());
            if (!listing)
                listing = EntryListing();
        },
        Engine::Access::Read);
    return listing;
}

void PublishRecord::write(Engine &engine, const std::optional<EntryListing> &previous,
                          const std::optional<EntryListing> &next)
{
    Internal::Query remove(engine, QStringLiteral("DELETE FROM actionpad_publish"),
                           QStringLiteral("replace the record of the last publish"));
    remove.exec();
    if (!next)
        return;

    const EntryListing none;
    const EntryListing::Changes changes = (previous ? *previous : none).changesTo(*next);
    Internal::Query insert(engine,
                           QStringLiteral("INSERT INTO actionpad_publish (id, published_at, "
                                          "entry_count, added, changed, removed, listing)"
                                          " VALUES (1, ?, ?, ?, ?, ?, ?)"),
                           QStringLiteral("record the publish"));
    insert.bind(QDateTime::currentMSecsSinceEpoch())
        .bind(static_cast<qint64>(next->size()))
        .bind(changes.added)
        .bind(changes.changed)
        .bind(changes.removed)
        .bind(next->encode())
        .exec();
}

QString PublishRecord::summary() const
{
    return QStringLiteral("%1 entries, %2 added, %3 changed, %4 removed")
        .arg(entries)
        .arg(added)
        .arg(changed)
        .arg(removed);
}

} // namespace Corvane::Dravo
