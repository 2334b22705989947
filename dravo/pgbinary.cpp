#include "pgbinary.h"

#include "engine.h"
#include "query.h"

#include "platform/runtimeerror.h"

#include <QIODevice>
#include <QSqlDriver>
#include <QVariant>

#include <libpq-fe.h>

namespace Corvane::Dravo::Internal {

namespace {

// A libpq result, cleared when it goes out of scope.
struct ResultDeleter
{
    void operator()(PGresult *result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

class PgChunkTable final : public ChunkTable
{
public:
    PgChunkTable(Engine &engine, PGconn *connection)
        : m_engine(engine)
        , m_connection(connection)
    {
    }

    void removeAll() override
    {
        check(Result(PQexec(m_connection, "DELETE FROM actionpad_chunk")), PGRES_COMMAND_OK,
              QStringLiteral("remove the stored action pad archive"));
    }

    void insert(qint32 seq, const char *data, qint64 size) override
    {
        const QByteArray seqText = QByteArray::number(seq);
        const char *values[2] = {seqText.constData(), data};
        const int lengths[2] = {0, static_cast<int>(size)};
        const int formats[2] = {0, 1}; // the sequence number as text, the bytes as they are
        check(Result(PQexecParams(m_connection,
                                  "INSERT INTO actionpad_chunk (seq, data)"
                                  " VALUES ($1::integer, $2::bytea)",
                                  2, nullptr, values, lengths, formats, 0)),
              PGRES_COMMAND_OK, QStringLiteral("store part %1 of the action pad archive").arg(seq));
    }

    qint64 readInto(qint32 seq, QIODevice &out) override
    {
        const QByteArray seqText = QByteArray::number(seq);
        const char *values[1] = {seqText.constData()};
        Result result(PQexecParams(m_connection,
                                   "SELECT data FROM actionpad_chunk WHERE seq = $1::integer", 1,
                                   nullptr, values, nullptr, nullptr, 1 /* binary result */));
        check(result, PGRES_TUPLES_OK,
              QStringLiteral("read part %1 of the action pad archive").arg(seq));
        if (PQntuples(result.get()) == 0)
            return -1;
        const qint64 size = PQgetlength(result.get(), 0, 0);
        if (out.write(PQgetvalue(result.get(), 0, 0), size) != size)
            Platform::raiseError(Platform::ErrorNumber::PathFileAccessError, errorSource(),
                                 QStringLiteral("cannot write the action pad archive read from "
                                                "%1: %2")
                                     .arg(m_engine.location().displayText(), out.errorString()));
        return size;
    }

private:
    void check(const Result &result, ExecStatusType expected, const QString &purpose) const
    {
        if (result && PQresultStatus(result.get()) == expected)
            return;
        const QString message = QString::fromUtf8(result ? PQresultErrorMessage(result.get())
                                                         : PQerrorMessage(m_connection))
                                    .trimmed();
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, errorSource(),
                             QStringLiteral("could not %1 in the database %2: %3. Check that the "
                                            "database is reachable and not damaged.")
                                 .arg(purpose, m_engine.location().displayText(), message));
    }

    Engine &m_engine;
    PGconn *m_connection;
};

} // namespace

std::unique_ptr<ChunkTable> createPgChunkTable(Engine &engine)
{
    const QVariant handle = engine.connection().driver()->handle();
    // PGconn is a typedef of struct pg_conn; Qt names the type by either.
    const char *type = handle.typeName();
    if (!handle.isValid() || (qstrcmp(type, "PGconn*") != 0 && qstrcmp(type, "pg_conn*") != 0))
        Platform::raiseError(
            Platform::ErrorNumber::InvalidProcedureCall, errorSource(),
            QStringLiteral("the connection to %1 gives no PostgreSQL handle (%2)")
                .arg(engine.location().displayText(), QLatin1String(handle.typeName())));
    auto *connection = *static_cast<PGconn *const *>(handle.constData());
    if (!connection || PQstatus(connection) != CONNECTION_OK)
        Platform::raiseError(
            Platform::ErrorNumber::InvalidProcedureCall, errorSource(),
            QStringLiteral("the connection to %1 is closed").arg(engine.location().displayText()));
    return std::make_unique<PgChunkTable>(engine, connection);
}

} // namespace Corvane::Dravo::Internal
