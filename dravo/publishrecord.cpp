#include "publishrecord.h"

#include "actionpadstore.h"
#include "engine.h"
#include "query.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryFile>

#include <zip.h>

namespace Corvane::Dravo {

namespace {

using Listing = QHash<QString, quint32>;

// The names and CRCs of a zip file's central directory; nullopt when the file
// is no zip archive.
std::optional<Listing> listZip(const QString &path)
{
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive)
        return std::nullopt;
    Listing listing;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0 ||
            !(stat.valid & ZIP_STAT_NAME))
            continue;
        listing.insert(QString::fromUtf8(stat.name),
                       (stat.valid & ZIP_STAT_CRC) ? static_cast<quint32>(stat.crc) : 0u);
    }
    zip_discard(archive);
    return listing;
}

QByteArray encode(const Listing &listing)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << static_cast<quint64>(listing.size());
    for (auto it = listing.cbegin(); it != listing.cend(); ++it)
        out << it.key() << it.value();
    return bytes;
}

std::optional<Listing> decode(const QByteArray &bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    quint64 count = 0;
    in >> count;
    Listing listing;
    for (quint64 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QString name;
        quint32 crc = 0;
        in >> name >> crc;
        listing.insert(name, crc);
    }
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    return listing;
}

std::optional<Listing> keptListing(Engine &engine)
{
    Internal::Query query(engine, QStringLiteral("SELECT listing FROM actionpad_publish"),
                          QStringLiteral("read the entries of the last publish"));
    query.exec();
    if (!query.next())
        return std::nullopt;
    return decode(query.value(0).toByteArray());
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

std::optional<QHash<QString, quint32>> PublishRecord::storedEntries(Engine &engine)
{
    std::optional<Listing> listing;
    engine.transaction(
        [&] {
            ActionPadStore store(engine);
            if (!store.hasContent())
                return;
            listing = keptListing(engine);
            if (listing)
                return;
            // Stored before records were kept: read the archive's own directory,
            // from a copy that goes with this call.
            QTemporaryFile copy;
            if (!copy.open())
                return;
            store.readContent(copy);
            copy.flush();
            listing = listZip(copy.fileName());
            if (!listing)
                listing = Listing();
        },
        Engine::Access::Read);
    return listing;
}

std::optional<Listing> PublishRecord::listArchive(const QString &archivePath)
{
    return listZip(archivePath);
}

void PublishRecord::write(Engine &engine, const std::optional<Listing> &previous,
                          const std::optional<Listing> &next)
{
    Internal::Query remove(engine, QStringLiteral("DELETE FROM actionpad_publish"),
                           QStringLiteral("replace the record of the last publish"));
    remove.exec();
    if (!next)
        return;

    qint64 added = 0;
    qint64 changed = 0;
    qint64 removed = 0;
    const Listing before = previous.value_or(Listing());
    for (auto it = next->cbegin(); it != next->cend(); ++it) {
        const auto old = before.constFind(it.key());
        if (old == before.cend())
            ++added;
        else if (old.value() != it.value())
            ++changed;
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!next->contains(it.key()))
            ++removed;
    }
    Internal::Query insert(engine,
                           QStringLiteral("INSERT INTO actionpad_publish (id, published_at, "
                                          "entry_count, added, changed, removed, listing)"
                                          " VALUES (1, ?, ?, ?, ?, ?, ?)"),
                           QStringLiteral("record the publish"));
    insert.bind(QDateTime::currentMSecsSinceEpoch())
        .bind(static_cast<qint64>(next->size()))
        .bind(added)
        .bind(changed)
        .bind(removed)
        .bind(encode(*next))
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
