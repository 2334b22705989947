#pragma once

#include "dravo_global.h"

#include <QDateTime>
#include <QString>

namespace Corvane::Dravo {

class Engine;

// The server's cached-data generation: every run of the procedure
// "qsp_refreshqdc" increases the counter and stamps the time. On PostgreSQL
// the procedure is a server-side function created with the schema; on SQLite
// the engine runs it in a transaction.
class CORVANE_DRAVO_EXPORT ServerCache
{
public:
    explicit ServerCache(Engine &engine)
        : m_engine(engine)
    {
    }

    qint64 generation();
    QDateTime refreshedAt(); // invalid before the first refresh
    void refresh();

private:
    Engine &m_engine;
};

} // namespace Corvane::Dravo
