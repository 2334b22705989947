#include "query.h"

#include "engine.h"

#include "platform/runtimeerror.h"

#include <QSqlError>

namespace Corvane::Dravo::Internal {

QString errorSource()
{
    return QStringLiteral("Dravo");
}

QString describeError(const QSqlError &error)
{
    // SQLite's SQLITE_BUSY (5) and SQLITE_LOCKED (6); PostgreSQL's lock_not_available.
    const QString code = error.nativeErrorCode();
    if (code == QLatin1String("5") || code == QLatin1String("6") || code == QLatin1String("55P03"))
        return QStringLiteral("%1 (another program is writing to the database and kept it "
                              "locked for more than %2 s; try again when it has finished)")
            .arg(error.text())
            .arg(kBusyTimeoutMs / 1000);
    return error.text();
}

Query::Query(Engine &engine, const QString &sql, const QString &purpose)
    : m_engine(engine)
    , m_query(engine.connection())
    , m_purpose(purpose)
{
    // SQLite results are read once, front to back, without a row cache. On
    // PostgreSQL Qt's forward-only mode streams rows and keeps the connection
    // busy until the last one is read; whole results leave it free for the
    // binary chunk transfers that bypass Qt (see pgbinary.h).
    m_query.setForwardOnly(!engine.isPostgreSql());
    if (!m_query.prepare(sql))
        fail();
}

Query &Query::bind(const QVariant &value)
{
    // Qt binds a null QString as SQL NULL; an empty text is stored as one.
    if (value.typeId() == QMetaType::QString && value.toString().isNull())
        m_query.bindValue(m_nextBind++, QString(QLatin1String("")));
    else
        m_query.bindValue(m_nextBind++, value);
    return *this;
}

void Query::exec()
{
    m_nextBind = 0;
    if (!m_query.exec())
        fail();
}

QVariant Query::scalar()
{
    exec();
    QVariant result;
    if (m_query.next())
        result = m_query.value(0);
    m_query.finish();
    return result;
}

void Query::fail() const
{
    Platform::raiseError(
        Platform::ErrorNumber::InvalidProcedureCall, errorSource(),
        QStringLiteral("could not %1 in the database %2: %3. Check that the "
                       "database is reachable and not damaged.")
            .arg(m_purpose, m_engine.location().displayText(), describeError(m_query.lastError())));
}

} // namespace Corvane::Dravo::Internal
