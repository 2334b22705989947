#include "database.h"

#include "settingsnode.h"
#include "tablecollection.h"

#include "dravo/engine.h"

#include <QFileInfo>
#include <QSqlQuery>

namespace Corvane::Host {

std::unique_ptr<Database> Database::open(const QString &location)
{
    return std::make_unique<Database>(Dravo::Engine::open(location));
}

Database::Database(std::unique_ptr<Dravo::Engine> engine)
    : m_engine(std::move(engine))
    , m_tables(std::make_unique<TableCollection>(m_engine))
{
}

Database::~Database() = default;

ITables *Database::Tables()
{
    return m_tables.get();
}

std::shared_ptr<ISettingsNode> Database::Settings()
{
    return std::make_shared<SettingsNode>(m_engine, QString());
}

QString Database::ServerName() const
{
    return m_engine->location().serverName();
}

QString Database::DatabaseName() const
{
    return m_engine->location().databaseNameForServer();
}

void Database::BeginTrans()
{
    m_engine->begin();
}

void Database::CommitTrans()
{
    m_engine->commit();
}

void Database::Rollback()
{
    m_engine->rollback();
}

Dravo::Engine &Database::engine()
{
    return *m_engine;
}

bool Database::isWritable()
{
    const Dravo::DatabaseLocation &location = m_engine->location();
    if (location.kind == Dravo::DatabaseLocation::Kind::Sqlite) {
        // WAL mode writes beside the file, so its folder must be writable too.
        const QFileInfo file(location.sqlitePath);
        return file.isWritable() && QFileInfo(file.absolutePath()).isWritable();
    }
    QSqlQuery query(m_engine->connection());
    if (!query.exec(QStringLiteral("SHOW transaction_read_only")) || !query.next())
        return false;
    return query.value(0).toString() == QLatin1String("off");
}

void Database::reloadTables()
{
    m_tables->reload();
}

} // namespace Corvane::Host
