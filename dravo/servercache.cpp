#include "servercache.h"

#include "engine.h"
#include "query.h"

#include "platform/runtimeerror.h"

namespace Corvane::Dravo {

qint64 ServerCache::generation()
{
    Internal::Query query(m_engine,
                          QStringLiteral("SELECT generation FROM server_cache WHERE id = 1"),
                          QStringLiteral("read the server cache generation"));
    return query.scalar().toLongLong();
}

QDateTime ServerCache::refreshedAt()
{
    Internal::Query query(m_engine,
                          QStringLiteral("SELECT refreshed_at FROM server_cache WHERE id = 1"),
                          QStringLiteral("read the time of the last server cache refresh"));
    const QVariant stamp = query.scalar();
    if (stamp.isNull())
        return {};
    return QDateTime::fromMSecsSinceEpoch(stamp.toLongLong(), Qt::UTC);
}

void ServerCache::refresh()
{
    if (m_engine.isPostgreSql()) {
        // The server's own procedure, created with the schema.
        Internal::Query query(m_engine, QStringLiteral("SELECT qsp_refreshqdc()"),
                              QStringLiteral("run the procedure qsp_refreshqdc"));
        query.scalar();
        return;
    }
    // SQLite has no server: the engine makes the same change in one
    // transaction, and fails as the server's procedure does.
    m_engine.transaction([&] {
        Internal::Query update(
            m_engine,
            QStringLiteral("UPDATE server_cache SET generation = generation + 1,"
                           " refreshed_at = ? WHERE id = 1 RETURNING generation"),
            QStringLiteral("run the procedure qsp_refreshqdc"));
        if (!update.bind(QDateTime::currentMSecsSinceEpoch()).scalar().isValid())
            Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall,
                                 Internal::errorSource(),
                                 QStringLiteral("the procedure qsp_refreshqdc failed in the "
                                                "database %1: the server cache record is missing")
                                     .arg(m_engine.location().displayText()));
    });
}

} // namespace Corvane::Dravo
