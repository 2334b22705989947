// corvane-admin run as a process, as a user or a script runs it: init --demo,
// table add, settings, actionpads before anything is published, and bad
// input, which must leave one line on standard error and the database as it was.

#include "admintool.h"

#include "../dravo/dravotest.h"

#include "dravo/tablecatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace Corvane;

class tst_AdminCommands : public QObject
{
    Q_OBJECT

private:
    // The demo database of the tests that change nothing; the others make their own.
    std::unique_ptr<DravoTest::ScratchDatabase> m_scratch;

    QString database() const { return m_scratch->location(); }
    QString webFolder() const { return m_scratch->folder() + QStringLiteral("/web"); }
    // A database that does not exist, on the current backend.
    QString missingDatabase() const
    {
        if (DravoTest::backend() == DravoTest::Backend::Sqlite)
            return m_scratch->folder() + QStringLiteral("/missing.sqlite");
        QString url = database();
        return url.left(url.lastIndexOf(QLatin1Char('/'))) + QStringLiteral("/corvane_no_such_db");
    }

    QStringList withDatabase(QStringList arguments) const
    {
        return arguments << QStringLiteral("--database") << database();
    }

    // A new database set up with init --demo, made current.
    void useNewDemoDatabase()
    {
        m_scratch = std::make_unique<DravoTest::ScratchDatabase>();
        const AdminTool::Result result =
            AdminTool::run(withDatabase({QStringLiteral("init"), QStringLiteral("--demo"),
                                         QStringLiteral("--web-folder"), webFolder()}));
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
        QVERIFY2(result.errors.isEmpty(), qPrintable(result.errors));
        QVERIFY(result.output.startsWith(QStringLiteral("Initialised ")));
    }

private slots:
    void initTestCase()
    {
        DRAVO_REQUIRE_BACKEND();
        useNewDemoDatabase();
    }

    void cleanupTestCase() { m_scratch.reset(); }

    void demoFilesAreInPlace()
    {
        const QDir web(webFolder());
        // Two index.htm in two action pad folders: their archive names clash.
        QVERIFY(web.exists(QStringLiteral("customers/index.htm")));
        QVERIFY(web.exists(QStringLiteral("products/index.htm")));
        QVERIFY(web.exists(QStringLiteral("übersicht.htm")));
        QVERIFY(web.exists(QStringLiteral("css/pads.css")));
        QVERIFY(web.exists(QStringLiteral("js/pads.js")));
        for (const QString &image :
             {QStringLiteral("images/logo.png"), QStringLiteral("images/arrow.gif"),
              QStringLiteral("customers/images/portrait.png"),
              QStringLiteral("products/images/box.gif")}) {
            QImageReader reader(web.filePath(image));
            QCOMPARE(reader.format(), QFileInfo(image).suffix().toLatin1());
            QVERIFY2(!reader.read().isNull(), qPrintable(image + reader.errorString()));
        }
        QVERIFY(AdminTool::databaseState(database())
                    .contains(QStringLiteral("webfolder ") + webFolder()));
        const QList<Dravo::TableRecord> tables = AdminTool::tables(database());
        QCOMPARE(tables.size(), 4);
        QCOMPARE(tables.at(3).name, QStringLiteral("Archive"));
        QCOMPARE(tables.at(3).idTable, 0);
    }

    void settingsGet_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value"); // {web}: the web folder
        QTest::newRow("file with a query part") << "Inspectors\\Customers\\WebBar"
                                                << "URL"
                                                << "{web}/customers/index.htm?tab=2";
        QTest::newRow("web address with a query") << "Inspectors\\Orders\\WebBar"
                                                  << "URL"
                                                  << "https://example.com/pads/orders?view=1";
        QTest::newRow("database-wide action pad") << "WebBar"
                                                  << "URL"
                                                  << "{web}/start.htm";
        QTest::newRow("overview, non-ASCII name") << "Overview"
                                                  << "URL"
                                                  << "{web}/übersicht.htm";
        QTest::newRow("table without action pad") << "Inspectors\\Archive\\WebBar"
                                                  << "URL"
                                                  << "";
        QTest::newRow("path in another letter case") << "inspectors\\PRODUCTS\\webbar"
                                                     << "URL"
                                                     << "{web}/products/index.htm";
    }

    void settingsGet()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, value);
        if (value.startsWith(QStringLiteral("{web}")))
            value = QDir::toNativeSeparators(webFolder() + value.mid(5));
        const AdminTool::Result result = AdminTool::run(
            withDatabase({QStringLiteral("settings"), QStringLiteral("get"), path, name}));
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.output, value + QLatin1Char('\n'));
        QVERIFY(result.errors.isEmpty());
    }

    void actionPadsBeforeAnyPublish()
    {
        const AdminTool::Result text =
            AdminTool::run(withDatabase({QStringLiteral("actionpads"), QStringLiteral("show")}));
        QCOMPARE(text.exitCode, 0);
        QVERIFY2(text.output.contains(QStringLiteral("Archive: none stored yet")),
                 qPrintable(text.output));

        const AdminTool::Result json = AdminTool::run(withDatabase(
            {QStringLiteral("actionpads"), QStringLiteral("show"), QStringLiteral("--json")}));
        QCOMPARE(json.exitCode, 0);
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(json.output.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(object.keys(),
                 (QStringList{QStringLiteral("attributes"), QStringLiteral("cacheGeneration"),
                              QStringLiteral("entries"), QStringLiteral("size")}));
        QCOMPARE(object.value(QStringLiteral("size")).toInteger(), 0);
        QVERIFY(object.value(QStringLiteral("entries")).toArray().isEmpty());
        QVERIFY(object.value(QStringLiteral("attributes")).toObject().isEmpty());
        QCOMPARE(object.value(QStringLiteral("cacheGeneration")).toInteger(), 0);
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("fragment"); // part of the one error line
        const QString db = QStringLiteral("{db}");
        const QString dbOption = QStringLiteral("--database");
        QTest::newRow("missing database")
            << QStringList{"settings", "set", "X", "Y", "1", dbOption, "{missing}"}
            << (DravoTest::backend() == DravoTest::Backend::Sqlite ? "does not exist" : "");
        QTest::newRow("unknown command")
            << QStringList{"frobnicate", dbOption, db} << "unknown command \"frobnicate\"";
        QTest::newRow("unknown subcommand")
            << QStringList{"table", "remove", "Customers", dbOption, db}
            << "unknown command \"table remove\"";
        QTest::newRow("unknown option")
            << QStringList{"table", "add", "Foo", "--colour", "red", dbOption, db}
            << "Unknown option 'colour'";
        QTest::newRow("option of another command")
            << QStringList{"table", "add", "Foo", "--json", dbOption, db} << "--json";
        QTest::newRow("malformed URL")
            << QStringList{"table", "add", "Foo", dbOption, "postgresql://user@localhost:port/db"}
            << "postgresql://user@localhost:port/db";
        QTest::newRow("URL without a database name") << QStringList{"settings",
                                                                    "set",
                                                                    "A",
                                                                    "B",
                                                                    "C",
                                                                    dbOption,
                                                                    "postgresql://user@localhost/"}
                                                     << "no database";
        QTest::newRow("duplicate table id")
            << QStringList{"table", "add", "Foo", "--id", "1", dbOption, db}
            << "already taken by \"Customers\"";
        QTest::newRow("table id that is no number")
            << QStringList{"table", "add", "Foo", "--id", "twelve", dbOption, db} << "twelve";
        QTest::newRow("empty table name")
            << QStringList{"table", "add", " ", dbOption, db} << "NAME";
        QTest::newRow("missing argument")
            << QStringList{"settings", "set", "X", "Y", dbOption, db} << "needs VALUE";
        QTest::newRow("no database named")
            << QStringList{"settings", "get", "WebBar", "URL"} << "--database";
        QTest::newRow("demo into a database that has tables")
            << QStringList{"init", "--demo", "--web-folder", "{scratch}/web2", dbOption, db}
            << "already holds tables";
        QTest::newRow("extract before anything is published")
            << QStringList{"actionpads", "extract", "{scratch}/out.zip", dbOption, db}
            << "publish the action pads first";
    }

    void badInputChangesNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, fragment);
        arguments.replaceInStrings(QStringLiteral("{db}"), database());
        arguments.replaceInStrings(QStringLiteral("{missing}"), missingDatabase());
        arguments.replaceInStrings(QStringLiteral("{scratch}"), m_scratch->folder());
        const QString before = AdminTool::databaseState(database());

        const AdminTool::Result result = AdminTool::run(arguments);
        QVERIFY(result.exitCode > 0);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY2(result.errors.startsWith(QStringLiteral("corvane-admin: ")),
                 qPrintable(result.errors));
        QVERIFY2(result.errors.contains(fragment), qPrintable(result.errors));
        QVERIFY(result.output.isEmpty());

        QCOMPARE(AdminTool::databaseState(database()), before);
        QVERIFY(!QFileInfo::exists(m_scratch->folder() + QStringLiteral("/missing.sqlite")));
        QVERIFY(!QFileInfo::exists(m_scratch->folder() + QStringLiteral("/out.zip")));
        QVERIFY(!QFileInfo::exists(m_scratch->folder() + QStringLiteral("/web2")));
    }

    void publishWithoutTheAddin()
    {
        QTemporaryDir emptyAddinFolder;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("CORVANE_ADDIN_DIR"), emptyAddinFolder.path());
        const QString before = AdminTool::databaseState(database());
        const AdminTool::Result result =
            AdminTool::run(withDatabase({QStringLiteral("publish")}), environment);
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY2(
            result.errors.contains(QStringLiteral("no configuration page publishes action pads")),
            qPrintable(result.errors));
        QCOMPARE(AdminTool::databaseState(database()), before);
    }

    // These make databases of their own.
    void settingsSetThenGet()
    {
        useNewDemoDatabase();
        const QString path = QStringLiteral("Inspectors\\Lieferanten\\WebBar");
        const QString value = QStringLiteral("lieferanten/Übersicht.htm?a=1&b=2");
        QCOMPARE(AdminTool::run(withDatabase({QStringLiteral("settings"), QStringLiteral("set"),
                                              path, QStringLiteral("URL"), value}))
                     .exitCode,
                 0);
        const AdminTool::Result result = AdminTool::run(withDatabase(
            {QStringLiteral("settings"), QStringLiteral("get"), path, QStringLiteral("URL")}));
        QCOMPARE(result.output, value + QLatin1Char('\n'));
    }

    void tableAdd_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("summary"); // idtable localname fallback inspector
        QTest::newRow("defaults: next id, idtable = id, names = NAME")
            << QStringList() << 5 << "5 Suppliers  Suppliers";
        QTest::newRow("every option") << QStringList{QStringLiteral("--id"),
                                                     QStringLiteral("12"),
                                                     QStringLiteral("--idtable"),
                                                     QStringLiteral("0"),
                                                     QStringLiteral("--localname"),
                                                     QStringLiteral("Lieferanten"),
                                                     QStringLiteral("--fallback-name"),
                                                     QStringLiteral("Vendors"),
                                                     QStringLiteral("--inspector"),
                                                     QStringLiteral("VendorInspector")}
                                      << 12 << "0 Lieferanten Vendors VendorInspector";
    }

    void tableAdd()
    {
        QFETCH(QStringList, options);
        QFETCH(int, id);
        QFETCH(QString, summary);
        useNewDemoDatabase();
        const AdminTool::Result result = AdminTool::run(withDatabase(
            QStringList{QStringLiteral("table"), QStringLiteral("add"), QStringLiteral("Suppliers")}
            << options));
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.output, QStringLiteral("Added table %1 \"Suppliers\"\n").arg(id));
        std::optional<Dravo::TableRecord> table;
        for (const Dravo::TableRecord &record : AdminTool::tables(database())) {
            if (record.id == id)
                table = record;
        }
        QVERIFY(table);
        QCOMPARE(table->name, QStringLiteral("Suppliers"));
        QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(table->idTable)
                     .arg(table->localName, table->fallbackName, table->inspectorName),
                 summary);
    }
};

DRAVO_TEST_MAIN(tst_AdminCommands)
#include "tst_admincommands.moc"
