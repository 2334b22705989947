#include "databaseaccess.h"

#include "dravo/engine.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFileInfo>

namespace Corvane::Admin {

std::unique_ptr<Dravo::Engine> openExistingDatabase(const QString &location)
{
    const Dravo::DatabaseLocation parsed = Dravo::DatabaseLocation::parse(location);
    if (parsed.kind == Dravo::DatabaseLocation::Kind::Sqlite &&
        QFileInfo(parsed.sqlitePath).isDir())
        throw Platform::RuntimeError(Platform::ErrorNumber::PathFileAccessError,
                                     QStringLiteral("corvane-admin"),
                                     QStringLiteral("%1 is a folder, not a database file; name "
                                                    "the database file")
                                         .arg(QDir::toNativeSeparators(parsed.sqlitePath)));
    if (parsed.kind == Dravo::DatabaseLocation::Kind::Sqlite &&
        !QFileInfo(parsed.sqlitePath).isFile()) {
        const QString path = QDir::toNativeSeparators(parsed.sqlitePath);
        throw Platform::RuntimeError(Platform::ErrorNumber::FileNotFound,
                                     QStringLiteral("corvane-admin"),
                                     QStringLiteral("the database file %1 does not exist; create "
                                                    "it with: corvane-admin init --database %1")
                                         .arg(path));
    }
    return Dravo::Engine::open(parsed);
}

} // namespace Corvane::Admin
