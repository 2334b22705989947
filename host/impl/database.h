#pragma once

#include "host_global.h"

#include "dravo/engineprovider.h"
#include "host/api/database.h"

#include <memory>

namespace Corvane::Dravo {
class Engine;
}

namespace Corvane::Host {

class TableCollection;

// The host's open database over one data engine connection. It is also the
// engine provider through which the data engine's components (Dravo.File) reach
// the engine of the database they are handed.
class CORVANE_HOST_EXPORT Database final : public IDatabase, public Dravo::EngineProvider
{
public:
    // Opens an existing database: a SQLite file path or a postgresql:// URL.
    // Errors as Dravo::Engine::open gives them (53 for a missing file, 5 for a
    // malformed URL or a server that cannot be reached).
    static std::unique_ptr<Database> open(const QString &location);

    explicit Database(std::unique_ptr<Dravo::Engine> engine);
    ~Database() override;
    Q_DISABLE_COPY_MOVE(Database)

    ITables *Tables() override;
    std::shared_ptr<ISettingsNode> Settings() override;
    QString ServerName() const override;
    QString DatabaseName() const override;
    void BeginTrans() override;
    void CommitTrans() override;
    void Rollback() override;

    Dravo::Engine &engine() override;

    // Whether this session may change the database: the SQLite file and its
    // folder are writable, or the PostgreSQL session is not read-only.
    bool isWritable();
    // Forgets the table list read so far; the next use of Tables reads it anew.
    void reloadTables();

private:
    std::shared_ptr<Dravo::Engine> m_engine;
    std::unique_ptr<TableCollection> m_tables;
};

} // namespace Corvane::Host
