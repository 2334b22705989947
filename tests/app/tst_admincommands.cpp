// corvane-admin run as a process: init --demo, table add, settings, actionpads before
// any publish, and bad input, which leaves one line on standard error and the database
// as it was.
#include "admintool.h"

#include "../datarows.h"
#include "../dravo/dravotest.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTemporaryDir>

using namespace Corvane;
using namespace DataRows;

class tst_AdminCommands : public QObject
{
    Q_OBJECT

private:
    // The demo database of the tests that change nothing; the others make their own.
    std::unique_ptr<DravoTest::ScratchDatabase> m_scratch;

    QString database() const { return m_scratch->location(); }
    QString webFolder() const { return m_scratch->folder() + "/web"; }
    AdminTool::Result admin(QStringList arguments) const
    {
        return AdminTool::run(arguments << "--database" << database());
    }

    // A new database set up with init --demo, made current.
    void useNewDemoDatabase()
    {
        m_scratch = std::make_unique<DravoTest::ScratchDatabase>();
        const AdminTool::Result result = admin({"init", "--demo", "--web-folder", webFolder()});
        QVERIFY2(result.exitCode == 0 && result.errors.isEmpty(), qPrintable(result.errors));
        QVERIFY(result.output.startsWith("Initialised "));
    }

private slots:
    void initTestCase()
    {
        DRAVO_REQUIRE_BACKEND();
        useNewDemoDatabase();
    }

    void cleanupTestCase() { m_scratch.reset(); }

    void demoHasTablesAndAClash()
    {
        // Two index.htm in two action pad folders: their archive names clash.
        for (const char *file : {"customers/index.htm", "products/index.htm", "übersicht.htm"})
            QVERIFY2(QDir(webFolder()).exists(file), file);
        QVERIFY(AdminTool::databaseState(database()).contains("webfolder " + webFolder()));
        const QList<Dravo::TableRecord> tables = AdminTool::tables(database());
        QCOMPARE(tables.size(), 4);
        QCOMPARE(tables.at(3).name, QStringLiteral("Archive"));
        QCOMPARE(tables.at(3).idTable, 0);
    }

    void settingsGet_data()
    {
        columns<QString, QString>({"path", "value"}); // {web}: the web folder
        row("file with a query part", "Inspectors\\Customers\\WebBar",
            "{web}/customers/index.htm?tab=2");
        row("overview, non-ASCII name", "Overview", "{web}/übersicht.htm");
        row("table without action pad", "Inspectors\\Archive\\WebBar", "");
        row("path in another letter case", "inspectors\\PRODUCTS\\webbar",
            "{web}/products/index.htm");
    }

    void settingsGet()
    {
        QFETCH(QString, path);
        QFETCH(QString, value);
        if (value.startsWith("{web}"))
            value = QDir::toNativeSeparators(webFolder() + value.mid(5));
        const AdminTool::Result result = admin({"settings", "get", path, "URL"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.output, value + '\n');
        QVERIFY(result.errors.isEmpty());
    }

    void actionPadsBeforeAnyPublish()
    {
        const AdminTool::Result text = admin({"actionpads", "show"});
        QCOMPARE(text.exitCode, 0);
        QVERIFY2(text.output.contains("Archive: none stored yet"), qPrintable(text.output));
        const AdminTool::Result json = admin({"actionpads", "show", "--json"});
        QCOMPARE(json.exitCode, 0);
        const QJsonObject object = QJsonDocument::fromJson(json.output.toUtf8()).object();
        QCOMPARE(QJsonDocument(object).toJson(QJsonDocument::Compact),
                 R"({"attributes":{},"cacheGeneration":0,"entries":[],"size":0})");
    }

    void badInputChangesNothing_data()
    {
        // The arguments as words ({db} the database, {missing} one that does not exist,
        // {scratch} the test's folder) and a part of the one error line.
        columns<QString, QString>({"arguments", "fragment"});
        const bool sqlite = DravoTest::backend() == DravoTest::Backend::Sqlite;
        row("missing database", "settings set X Y 1 --database {missing}",
            sqlite ? "does not exist" : "");
        row("unknown command", "frobnicate --database {db}", "unknown command \"frobnicate\"");
        row("unknown subcommand", "table remove Customers --database {db}",
            "unknown command \"table remove\"");
        row("unknown option", "table add Foo --colour red --database {db}",
            "Unknown option 'colour'");
        row("option of another command", "table add Foo --json --database {db}", "--json");
        row("malformed URL", "table add Foo --database postgresql://user@localhost:port/db",
            "postgresql://user@localhost:port/db");
        row("URL without a database name",
            "settings set A B C --database postgresql://user@localhost/", "no database");
        row("duplicate table id", "table add Foo --id 1 --database {db}",
            "already taken by \"Customers\"");
        row("table id that is no number", "table add Foo --id twelve --database {db}", "twelve");
        row("empty table name", "table add - --database {db}", "NAME");
        row("missing argument", "settings set X Y --database {db}", "needs VALUE");
        row("no database named", "settings get WebBar URL", "--database");
        row("demo into a database that has tables",
            "init --demo --web-folder {scratch}/web2 --database {db}", "already holds tables");
        row("extract before anything is published",
            "actionpads extract {scratch}/out.zip --database {db}",
            "publish the action pads first");
    }

    void badInputChangesNothing()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, fragment);
        QString missing = m_scratch->folder() + "/missing.sqlite";
        if (DravoTest::backend() != DravoTest::Backend::Sqlite)
            missing = database().left(database().lastIndexOf('/')) + "/corvane_no_such_db";
        QStringList argv = words(arguments);
        argv.replaceInStrings("{db}", database());
        argv.replaceInStrings("{missing}", missing);
        argv.replaceInStrings("{scratch}", m_scratch->folder());
        const QString before = AdminTool::databaseState(database());

        const AdminTool::Result result = AdminTool::run(argv);
        QVERIFY(result.exitCode > 0);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY2(result.errors.startsWith("corvane-admin: "), qPrintable(result.errors));
        QVERIFY2(result.errors.contains(fragment), qPrintable(result.errors));
        QVERIFY(result.output.isEmpty());
        QCOMPARE(AdminTool::databaseState(database()), before);
        for (const char *made : {"/missing.sqlite", "/out.zip", "/web2"})
            QVERIFY(!QFileInfo::exists(m_scratch->folder() + made));
    }

    void publishWithoutTheAddin()
    {
        // A copy of the program outside the build tree has no add-in folder
        // beside it, and the one the user names is empty.
        QTemporaryDir emptyAddinFolder;
        QTemporaryDir elsewhere;
        QVERIFY(QDir(elsewhere.path()).mkdir("bin"));
        QVERIFY(QFile::copy(AdminTool::program(), elsewhere.filePath("bin/corvane-admin")));
        const QByteArray binFolder = qgetenv("CORVANE_BIN_DIR");
        const auto restore = qScopeGuard([&] { qputenv("CORVANE_BIN_DIR", binFolder); });
        qputenv("CORVANE_BIN_DIR", QFile::encodeName(elsewhere.filePath("bin")));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("CORVANE_ADDIN_DIR", emptyAddinFolder.path());
        const QString before = AdminTool::databaseState(database());
        const AdminTool::Result result =
            AdminTool::run({"publish", "--database", database()}, environment);
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY2(result.errors.contains("no configuration page publishes action pads"),
                 qPrintable(result.errors));
        QCOMPARE(AdminTool::databaseState(database()), before);
    }

    // These make databases of their own.
    void settingsSetThenGet()
    {
        useNewDemoDatabase();
        const QString path = "Inspectors\\Lieferanten\\WebBar";
        const QString value = "lieferanten/Übersicht.htm?a=1&b=2";
        QCOMPARE(admin({"settings", "set", path, "URL", value}).exitCode, 0);
        QCOMPARE(admin({"settings", "get", path, "URL"}).output, value + '\n');
    }

    void tableAdd_data()
    {
        columns<QString, int, QString>({"options", "id", "summary"}); // idtable localname ...
        row("defaults: next id, idtable = id, names = NAME", "", 5, "5 Suppliers  Suppliers");
        row("every option",
            "--id 12 --idtable 0 --localname Lieferanten --fallback-name Vendors --inspector "
            "VendorInspector",
            12, "0 Lieferanten Vendors VendorInspector");
    }

    void tableAdd()
    {
        QFETCH(QString, options);
        QFETCH(int, id);
        QFETCH(QString, summary);
        useNewDemoDatabase();
        const AdminTool::Result result =
            admin(QStringList{"table", "add", "Suppliers"} << words(options));
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.output, QStringLiteral("Added table %1 \"Suppliers\"\n").arg(id));
        QStringList found;
        for (const Dravo::TableRecord &t : AdminTool::tables(database()))
            if (t.id == id)
                found << QStringLiteral("%1 %2 %3 %4 %5")
                             .arg(t.name)
                             .arg(t.idTable)
                             .arg(t.localName, t.fallbackName, t.inspectorName);
        QCOMPARE(found, QStringList{"Suppliers " + summary});
    }
};

DRAVO_TEST_MAIN(tst_AdminCommands)
#include "tst_admincommands.moc"
