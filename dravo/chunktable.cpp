#include "chunktable.h"

#include "engine.h"
#include "pgbinary.h"
#include "query.h"

#include "platform/runtimeerror.h"

#include <QFile>
#include <QIODevice>

#include <optional>

#if defined(__linux__)
#include <fcntl.h>
#endif

namespace Corvane::Dravo::Internal {

namespace {

// A save's commit waits until the whole log has reached the disk. Asking the
// system every few megabytes to start writing the log out lets the disk work
// while the next chunks are stored, and the commit's wait shrinks to the last
// few (PostgreSQL does the same with its log). Only a hint: where it is not
// available the commit writes everything itself, as it always does. The log
// gets a descriptor of its own: SQLite locks the -shm file, never the log, so
// closing this descriptor releases none of SQLite's POSIX locks.
class LogWriteback
{
public:
    explicit LogWriteback(const QString &databasePath)
        : m_log(databasePath + QStringLiteral("-wal"))
    {
    }

    void written(qint64 bytes)
    {
        m_pending += bytes;
        if (m_pending < kStep)
            return;
        m_pending = 0;
#if defined(__linux__)
        if (m_log.isOpen() || m_log.open(QIODevice::ReadOnly))
            ::sync_file_range(m_log.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    }

private:
    static constexpr qint64 kStep = 4 * 1024 * 1024;
    QFile m_log;
    qint64 m_pending = 0;
};

class SqliteChunkTable final : public ChunkTable
{
public:
    explicit SqliteChunkTable(Engine &engine)
        : m_engine(engine)
        , m_writeback(engine.location().sqlitePath)
    {
    }

    void removeAll() override
    {
        Query(m_engine, QStringLiteral("DELETE FROM actionpad_chunk"),
              QStringLiteral("remove the stored action pad archive"))
            .exec();
    }

    void insert(qint32 seq, const char *data, qint64 size) override
    {
        if (!m_insert)
            m_insert.emplace(
                m_engine, QStringLiteral("INSERT INTO actionpad_chunk (seq, data) VALUES (?, ?)"),
                QStringLiteral("store the action pad archive"));
        // The driver binds the bytes where they are, without a copy.
        m_insert->bind(seq).bind(QByteArray::fromRawData(data, static_cast<qsizetype>(size)));
        m_insert->exec();
        m_writeback.written(size);
    }

    qint64 readInto(qint32 seq, QIODevice &out) override
    {
        if (!m_select)
            m_select.emplace(m_engine,
                             QStringLiteral("SELECT data FROM actionpad_chunk WHERE seq = ?"),
                             QStringLiteral("read the action pad archive"));
        m_select->bind(seq).exec();
        if (!m_select->next()) {
            m_select->finish();
            return -1;
        }
        const QByteArray chunk = m_select->value(0).toByteArray();
        m_select->finish();
        if (out.write(chunk) != chunk.size())
            Platform::raiseError(Platform::ErrorNumber::PathFileAccessError, errorSource(),
                                 QStringLiteral("cannot write the action pad archive read from "
                                                "%1: %2")
                                     .arg(m_engine.location().displayText(), out.errorString()));
        return chunk.size();
    }

private:
    Engine &m_engine;
    LogWriteback m_writeback;
    std::optional<Query> m_insert;
    std::optional<Query> m_select;
};

} // namespace

std::unique_ptr<ChunkTable> ChunkTable::forEngine(Engine &engine)
{
    if (engine.isPostgreSql())
        return createPgChunkTable(engine);
    return std::make_unique<SqliteChunkTable>(engine);
}

} // namespace Corvane::Dravo::Internal
