#pragma once

#include "hostapi_global.h"

#include <QString>

#include <memory>

namespace Corvane::Host {

class ISettingsNode;
class ITables;

// The open database. ServerName and DatabaseName identify it to the database
// server's components: for SQLite "sqlite" and the file's absolute path; for
// PostgreSQL the URL without the database name ("postgresql://user@host:port")
// and the database's name.
class CORVANE_HOSTAPI_EXPORT IDatabase
{
public:
    virtual ~IDatabase();
    virtual ITables *Tables() = 0;
    virtual std::shared_ptr<ISettingsNode> Settings() = 0;
    virtual QString ServerName() const = 0;
    virtual QString DatabaseName() const = 0;

    // Groups every change made through the database's own connection (the
    // data engine's file, the settings tree) until CommitTrans into one
    // transaction; Rollback drops them all. Transactions nest: only the
    // outermost CommitTrans commits. Components that open a connection of
    // their own (the server's procedures) are not part of it.
    virtual void BeginTrans() = 0;
    virtual void CommitTrans() = 0;
    virtual void Rollback() = 0;
};

} // namespace Corvane::Host
