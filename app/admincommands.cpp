#include "admincommands.h"

#include "databaseaccess.h"
#include "demodata.h"
#include "invocation.h"

#include "dravo/engine.h"
#include "dravo/tablecatalog.h"
#include "host/api/settingsnode.h"
#include "host/impl/database.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace Corvane::Admin::AdminCommands {

namespace {

const QString kSource = QStringLiteral("corvane-admin");

[[noreturn]] void fail(const QString &message)
{
    throw Platform::RuntimeError(Platform::ErrorNumber::InvalidProcedureCall, kSource, message);
}

// The web folder that init stores: the one given, or "web" beside a SQLite file.
QString chosenWebFolder(const Invocation &invocation, const Dravo::DatabaseLocation &location)
{
    if (invocation.has(QStringLiteral("web-folder")))
        return QDir::cleanPath(QDir(invocation.value(QStringLiteral("web-folder"))).absolutePath());
    if (location.kind == Dravo::DatabaseLocation::Kind::Sqlite)
        return QFileInfo(location.sqlitePath).absoluteDir().filePath(QStringLiteral("web"));
    return {};
}

} // namespace

int init(const Invocation &invocation, QTextStream &out)
{
    const Dravo::DatabaseLocation location = Dravo::DatabaseLocation::parse(invocation.database);
    const bool demo = invocation.has(QStringLiteral("demo"));
    const bool isSqlite = location.kind == Dravo::DatabaseLocation::Kind::Sqlite;
    if (isSqlite) {
        const QFileInfo file(location.sqlitePath);
        if (!file.absoluteDir().exists())
            fail(QStringLiteral("the folder %1 for the database file does not exist; create it "
                                "first")
                     .arg(QDir::toNativeSeparators(file.absolutePath())));
        if (file.isDir())
            fail(QStringLiteral("%1 is a folder, not a database file")
                     .arg(QDir::toNativeSeparators(file.absoluteFilePath())));
    } else if (demo && !invocation.has(QStringLiteral("web-folder"))) {
        throw UsageError(QStringLiteral("init --demo on PostgreSQL needs --web-folder DIR: the "
                                        "folder on this machine for the demo's action pad files"));
    }
    const QString webFolder = chosenWebFolder(invocation, location);

    std::unique_ptr<Dravo::Engine> engine = Dravo::Engine::create(location);
    if (demo && !Dravo::TableCatalog(*engine).all().isEmpty())
        fail(QStringLiteral("%1 already holds tables; --demo fills a new database only")
                 .arg(location.displayText()));
    // A SQLite database keeps a web folder chosen before unless another is given.
    const bool storeWebFolder =
        !webFolder.isEmpty() &&
        (invocation.has(QStringLiteral("web-folder")) || demo || engine->webFolder().isEmpty());
    if (demo)
        DemoData::writeFiles(webFolder);

    Host::Database database(std::move(engine));
    database.engine().transaction([&] {
        if (storeWebFolder)
            database.engine().setWebFolder(webFolder);
        if (demo)
            DemoData::fill(database, webFolder);
    });

    out << "Initialised " << location.displayText();
    const QString stored = database.engine().webFolder();
    if (!stored.isEmpty())
        out << "; web folder " << QDir::toNativeSeparators(stored);
    if (demo)
        out << "; demo data: " << DemoData::tableNames().join(QStringLiteral(", "));
    out << '\n';
    return 0;
}

int addTable(const Invocation &invocation, QTextStream &out)
{
    const QString name = invocation.arguments.at(0).trimmed();
    if (name.isEmpty())
        throw UsageError(QStringLiteral("\"table add\" needs a table NAME that is not empty"));
    std::unique_ptr<Dravo::Engine> engine = openExistingDatabase(invocation.database);
    Dravo::TableCatalog catalog(*engine);

    Dravo::TableRecord record;
    record.id = invocation.has(QStringLiteral("id"))
                    ? invocation.value(QStringLiteral("id")).toInt()
                    : catalog.nextFreeId();
    if (const std::optional<Dravo::TableRecord> taken = catalog.find(record.id))
        fail(QStringLiteral("the table id %1 is already taken by \"%2\"; choose another --id or "
                            "leave it out for the next free one")
                 .arg(record.id)
                 .arg(taken->name));
    record.name = name;
    record.idTable = invocation.has(QStringLiteral("idtable"))
                         ? invocation.value(QStringLiteral("idtable")).toInt()
                         : record.id;
    record.localName = invocation.value(QStringLiteral("localname"), name);
    record.inspectorName = invocation.value(QStringLiteral("inspector"), name);
    record.fallbackName = invocation.value(QStringLiteral("fallback-name"));
    catalog.add(record);
    out << "Added table " << record.id << " \"" << record.name << "\"\n";
    return 0;
}

int setSetting(const Invocation &invocation)
{
    const QString &path = invocation.arguments.at(0);
    const QString &name = invocation.arguments.at(1);
    if (name.trimmed().isEmpty())
        throw UsageError(QStringLiteral("\"settings set\" needs a value NAME that is not empty"));
    Host::Database database(openExistingDatabase(invocation.database));
    database.Settings()->Node(path)->SetValue(name, invocation.arguments.at(2));
    return 0;
}

int getSetting(const Invocation &invocation, QTextStream &out)
{
    Host::Database database(openExistingDatabase(invocation.database));
    out << database.Settings()
               ->Node(invocation.arguments.at(0))
               ->Value(invocation.arguments.at(1))
               .toString()
        << '\n';
    return 0;
}

} // namespace Corvane::Admin::AdminCommands
