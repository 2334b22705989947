#include "query.h"

#include "engine.h"

#include "platform/runtimeerror.h"

#include <QSqlError>

namespace Corvane::Dravo::Internal {

QString errorSource()
{
    return QStringLiteral("Dravo");
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
            .arg(m_purpose, m_engine.location().displayText(), m_query.lastError().text()));
}

} // namespace Corvane::Dravo::Internal
