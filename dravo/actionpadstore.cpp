#include "actionpadstore.h"

#include "chunktable.h"
#include "engine.h"
#include "publishrecord.h"
#include "query.h"

#include "platform/paths.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>

namespace Corvane::Dravo {

namespace {

using Platform::ErrorNumber::FileNotFound;
using Platform::ErrorNumber::InvalidProcedureCall;
using Platform::ErrorNumber::PathFileAccessError;

[[noreturn]] void damaged(Engine &engine, const QString &detail)
{
    Platform::raiseError(InvalidProcedureCall, Internal::errorSource(),
                         QStringLiteral("the action pad archive stored in %1 is damaged: %2. "
                                        "Publish the action pads again.")
                             .arg(engine.location().displayText(), detail));
}

// Fills `buffer` from the file as far as it goes; the number of bytes read.
qint64 readFull(QFile &file, char *buffer, qint64 size)
{
    qint64 total = 0;
    while (total < size) {
        const qint64 n = file.read(buffer + total, size - total);
        if (n < 0)
            Platform::raiseError(
                PathFileAccessError, Internal::errorSource(),
                QStringLiteral("cannot read the file %1: %2")
                    .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
        if (n == 0)
            break;
        total += n;
    }
    return total;
}

} // namespace

bool ActionPadStore::hasContent()
{
    Internal::Query query(m_engine, QStringLiteral("SELECT COUNT(*) FROM actionpad_content"),
                          QStringLiteral("look for the action pad archive"));
    return query.scalar().toLongLong() > 0;
}

qint64 ActionPadStore::contentSize()
{
    Internal::Query query(m_engine, QStringLiteral("SELECT size FROM actionpad_content"),
                          QStringLiteral("read the size of the action pad archive"));
    return query.scalar().toLongLong();
}

void ActionPadStore::readContent(QIODevice &out)
{
    // One snapshot: a save committed meanwhile by another connection is not
    // mixed into the bytes.
    m_engine.snapshot([&] {
        Internal::Query header(m_engine,
                               QStringLiteral("SELECT size, chunk_count FROM actionpad_content"),
                               QStringLiteral("read the action pad archive"));
        header.exec();
        if (!header.next())
            return;
        const qint64 size = header.value(0).toLongLong();
        const qint32 chunkCount = header.value(1).toInt();
        header.finish();

        const std::unique_ptr<Internal::ChunkTable> chunks =
            Internal::ChunkTable::forEngine(m_engine);
        qint64 total = 0;
        for (qint32 seq = 0; seq < chunkCount; ++seq) {
            const qint64 n = chunks->readInto(seq, out);
            if (n < 0)
                damaged(m_engine,
                        QStringLiteral("part %1 of %2 is missing").arg(seq + 1).arg(chunkCount));
            total += n;
        }
        if (total != size)
            damaged(m_engine,
                    QStringLiteral("it holds %1 bytes instead of %2").arg(total).arg(size));
    });
}

QHash<QString, QString> ActionPadStore::attributes()
{
    Internal::Query query(m_engine, QStringLiteral("SELECT name, value FROM actionpad_attribute"),
                          QStringLiteral("read the attributes of the action pad file"));
    query.exec();
    QHash<QString, QString> result;
    while (query.next())
        result.insert(query.value(0).toString(), query.value(1).toString());
    return result;
}

void ActionPadStore::save(const std::optional<QString> &contentPath,
                          const QHash<QString, QString> &attributes)
{
    if (!contentPath && attributes.isEmpty())
        return;
    m_engine.transaction([&] {
        if (!attributes.isEmpty()) {
            Internal::Query upsert(
                m_engine,
                QStringLiteral("INSERT INTO actionpad_attribute (name_key, name, value)"
                               " VALUES (?, ?, ?)"
                               " ON CONFLICT (name_key) DO UPDATE"
                               " SET name = excluded.name, value = excluded.value"),
                QStringLiteral("store an attribute of the action pad file"));
            for (auto it = attributes.cbegin(); it != attributes.cend(); ++it) {
                if (it.key().isEmpty())
                    Platform::raiseError(InvalidProcedureCall, Internal::errorSource(),
                                         QStringLiteral("an attribute of the action pad file "
                                                        "needs a name"));
                if (it.value().isEmpty()) {
                    Internal::Query remove(
                        m_engine,
                        QStringLiteral("DELETE FROM actionpad_attribute WHERE name_key = ?"),
                        QStringLiteral("remove an attribute of the action pad file"));
                    remove.bind(it.key().toCaseFolded()).exec();
                    continue;
                }
                upsert.bind(it.key().toCaseFolded()).bind(it.key()).bind(it.value()).exec();
            }
        }
        if (!contentPath)
            return;

        const QString path = Platform::Paths::resolveCase(*contentPath);
        PublishRecord::write(m_engine, path);

        // The old chunks go first, inside the transaction: whatever fails
        // from here on leaves them in place.
        const std::unique_ptr<Internal::ChunkTable> chunks =
            Internal::ChunkTable::forEngine(m_engine);
        chunks->removeAll();

        QFile file(path);
        if (!Platform::Paths::fileExists(path))
            Platform::raiseError(FileNotFound, Internal::errorSource(),
                                 QStringLiteral("cannot store the action pad archive: the file "
                                                "%1 does not exist")
                                     .arg(QDir::toNativeSeparators(*contentPath)));
        if (!file.open(QIODevice::ReadOnly))
            Platform::raiseError(
                PathFileAccessError, Internal::errorSource(),
                QStringLiteral("cannot store the action pad archive: the file "
                               "%1 cannot be opened (%2)")
                    .arg(QDir::toNativeSeparators(*contentPath), file.errorString()));

        QByteArray buffer(static_cast<qsizetype>(kChunkSize), Qt::Uninitialized);
        qint64 size = 0;
        qint32 seq = 0;
        for (;;) {
            const qint64 n = readFull(file, buffer.data(), kChunkSize);
            if (n == 0)
                break;
            chunks->insert(seq++, buffer.constData(), n);
            size += n;
            if (n < kChunkSize)
                break;
        }

        Internal::Query content(m_engine,
                                QStringLiteral("INSERT INTO actionpad_content (id, size, "
                                               "chunk_count) VALUES (1, ?, ?)"
                                               " ON CONFLICT (id) DO UPDATE"
                                               " SET size = excluded.size,"
                                               " chunk_count = excluded.chunk_count"),
                                QStringLiteral("store the action pad archive"));
        content.bind(size).bind(seq).exec();
    });
}

} // namespace Corvane::Dravo
