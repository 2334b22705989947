#include "chunktable.h"

#include "engine.h"
#include "pgbinary.h"
#include "query.h"

#include "platform/runtimeerror.h"

#include <QIODevice>

#include <optional>

namespace Corvane::Dravo::Internal {

namespace {

class SqliteChunkTable final : public ChunkTable
{
public:
    explicit SqliteChunkTable(Engine &engine)
        : m_engine(engine)
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
