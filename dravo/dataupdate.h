#pragma once

#include "dravo_global.h"

#include <QObject>
#include <QString>
#include <QVariant>

namespace Corvane::Dravo {

// The server component "Norrick.Data.Components.Wrapper.DataUpdate": runs a
// stored procedure on the database server named by Server and the database
// name. The command is one XML element,
//   <procedure name='qsp_refreshqdc' log='0' timeout='0'></procedure>
// name: the procedure; log: 1 to write a line to the debugger output after the
// run; timeout: seconds the server may take (0: no limit). With `wantResult`
// the procedure's result comes back (for qsp_refreshqdc the new cache
// generation); otherwise an empty variant.
class CORVANE_DRAVO_EXPORT DataUpdate final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Server READ Server WRITE setServer)
public:
    explicit DataUpdate(QObject *parent = nullptr);
    ~DataUpdate() override;
    Q_DISABLE_COPY_MOVE(DataUpdate)

    // "sqlite", or "postgresql://user@host:port" (the host database's ServerName).
    QString Server() const { return m_server; }
    void setServer(const QString &server) { m_server = server; }

    Q_INVOKABLE QVariant ExecuteProcedure(const QString &command, const QString &databaseName,
                                          bool wantResult);

private:
    QString m_server;
};

} // namespace Corvane::Dravo
