#include "servercache.h"

#include "engine.h"
#include "query.h"

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
    // SQLite has no server: the engine makes the same change in one transaction.
    m_engine.transaction([&] {
        Internal::Query update(m_engine,
                               QStringLiteral("UPDATE server_cache SET generation = generation + 1,"
                                              " refreshed_at = ? WHERE id = 1"),
                               QStringLiteral("run the procedure qsp_refreshqdc"));
        update.bind(QDateTime::currentMSecsSinceEpoch()).exec();
    });
}

} // namespace Corvane::Dravo
