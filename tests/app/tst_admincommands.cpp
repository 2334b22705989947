// corvane-admin run as a process: init --demo, table add, settings, actionpads before any
// publish, and bad input, which leaves one line on standard error and the database as it was.
#include "admintool.h"

#include "../datarows.h"

#include <QDir>
#include <QJsonDocument>
#include <QScopeGuard>

using namespace DataRows;

class tst_AdminCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<AdminTool::Demo> m_demo;

    // The tests share one demo database; one that adds tables makes its own.
    void newDemo()
    {
        m_demo = std::make_unique<AdminTool::Demo>();
        QVERIFY2(m_demo->init.exitCode == 0 && m_demo->init.errors.isEmpty(),
                 qPrintable(m_demo->init.errors));
    }

private slots:
    void initTestCase()
    {
        DRAVO_REQUIRE_BACKEND();
        newDemo();
    }

    void demoHasTablesAndAClash()
    {
        QVERIFY(m_demo->init.output.startsWith("Initialised "));
        // Two index.htm in two action pad folders: their archive names clash.
        for (const char *file : {"customers/index.htm", "products/index.htm", "übersicht.htm"})
            QVERIFY2(QDir(m_demo->web()).exists(file), file);
        const QList<Corvane::Dravo::TableRecord> tables = AdminTool::tables(m_demo->location());
        QCOMPARE(tables.size(), 4);
        QCOMPARE(tables.at(3).name, QStringLiteral("Archive"));
        QCOMPARE(tables.at(3).idTable, 0);
        QCOMPARE(QJsonDocument(m_demo->show()).toJson(QJsonDocument::Compact),
                 R"({"attributes":{},"cacheGeneration":0,"entries":[],"sha256":null,"size":0})");
    }

    void settingsGetAndSet_data()
    {
        columns<QString, QString, QString>({"path", "set", "got"}); // {web}: the web folder
        row("file with a query part", "Inspectors\\Customers\\WebBar", "",
            "{web}/customers/index.htm?tab=2");
        row("overview, non-ASCII name", "Overview", "", "{web}/übersicht.htm");
        row("table without action pad", "Inspectors\\Archive\\WebBar", "", "");
        row("a new node", "Inspectors\\Lieferanten\\WebBar", "lieferanten/Ü.htm?a=1&b=2",
            "lieferanten/Ü.htm?a=1&b=2");
    }

    void settingsGetAndSet()
    {
        QFETCH(QString, path);
        QFETCH(QString, set);
        QFETCH(QString, got);
        if (!set.isEmpty())
            QCOMPARE(m_demo->admin({"settings", "set", path, "URL", set}).exitCode, 0);
        const AdminTool::Result result = m_demo->admin({"settings", "get", path, "URL"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.output, got.replace("{web}", m_demo->web()) + '\n');
        QVERIFY(result.errors.isEmpty());
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
        row("malformed URL", "table add Foo --database postgresql://user@localhost:port/db",
            "postgresql://user@localhost:port/db");
        row("duplicate table id", "table add Foo --id 1 --database {db}",
            "already taken by \"Customers\"");
        row("missing argument", "settings set X Y --database {db}", "needs VALUE");
        row("no database named", "settings get WebBar URL", "--database");
        row("demo into a database that has tables",
            "init --demo --web-folder {scratch}/web2 --database {db}", "already holds tables");
        row("database that is a folder", "settings get WebBar URL --database {scratch}",
            "is a folder");
        row("extract before anything is published",
            "actionpads extract {scratch}/out.zip --database {db}",
            "publish the action pads first");
    }

    void badInputChangesNothing()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, fragment);
        const QString db = m_demo->location();
        const QString missing = DravoTest::backend() == DravoTest::Backend::Sqlite
                                    ? m_demo->folder() + "/missing.sqlite"
                                    : db.left(db.lastIndexOf('/')) + "/corvane_no_such_db";
        QStringList argv = words(arguments);
        argv.replaceInStrings("{db}", db).replaceInStrings("{missing}", missing);
        argv.replaceInStrings("{scratch}", m_demo->folder());
        const QString before = AdminTool::databaseState(db);

        const AdminTool::Result result = AdminTool::run(argv);
        QVERIFY(result.exitCode > 0);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY2(result.errors.startsWith("corvane-admin: "), qPrintable(result.errors));
        QVERIFY2(result.errors.contains(fragment), qPrintable(result.errors));
        QVERIFY(result.output.isEmpty());
        QCOMPARE(AdminTool::databaseState(db), before);
        for (const char *made : {"/missing.sqlite", "/out.zip", "/web2"})
            QVERIFY(!QFileInfo::exists(m_demo->folder() + made));
    }

    void publishWithoutTheAddin()
    {
        // A copy of the program outside the build tree has no add-in folder beside it, and
        // the one the user names is empty.
        QTemporaryDir emptyAddinFolder, elsewhere;
        QVERIFY(QDir(elsewhere.path()).mkdir("bin"));
        QVERIFY(QFile::copy(AdminTool::program(), elsewhere.filePath("bin/corvane-admin")));
        const QByteArray binFolder = qgetenv("CORVANE_BIN_DIR");
        const auto restore = qScopeGuard([&] { qputenv("CORVANE_BIN_DIR", binFolder); });
        qputenv("CORVANE_BIN_DIR", QFile::encodeName(elsewhere.filePath("bin")));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("CORVANE_ADDIN_DIR", emptyAddinFolder.path());
        const QString before = AdminTool::databaseState(m_demo->location());
        const AdminTool::Result result = m_demo->admin({"publish"}, environment);
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY2(result.errors.contains("no configuration page publishes action pads"),
                 qPrintable(result.errors));
        QCOMPARE(AdminTool::databaseState(m_demo->location()), before);
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
        newDemo();
        const AdminTool::Result result =
            m_demo->admin(QStringList{"table", "add", "Suppliers"} << words(options));
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.output, QStringLiteral("Added table %1 \"Suppliers\"\n").arg(id));
        QStringList found;
        for (const Corvane::Dravo::TableRecord &t : AdminTool::tables(m_demo->location()))
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
