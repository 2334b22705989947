// The host's database object over a real database: the settings tree and the
// tables as an add-in reaches them, on SQLite and on PostgreSQL.

#include "../dravo/dravotest.h"

#include "dravo/engine.h"
#include "dravo/tablecatalog.h"
#include "host/api/settingsnode.h"
#include "host/api/table.h"
#include "host/impl/application.h"
#include "host/impl/database.h"

#include <QDir>
#include <QTest>

using namespace Corvane;

class tst_HostDatabase : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DravoTest::ScratchDatabase> m_scratch;
    std::unique_ptr<Host::Database> m_database;

    Host::Database &database() { return *m_database; }
    void reopen()
    {
        m_database.reset();
        m_database = Host::Database::open(m_scratch->location());
    }

private slots:
    void initTestCase() { DRAVO_REQUIRE_BACKEND(); }

    void init()
    {
        m_scratch = std::make_unique<DravoTest::ScratchDatabase>();
        try {
            m_database =
                std::make_unique<Host::Database>(Dravo::Engine::create(m_scratch->location()));
        } catch (const Platform::RuntimeError &error) {
            QFAIL(qPrintable(error.toString()));
        }
    }

    void cleanup()
    {
        m_database.reset();
        m_scratch.reset();
    }

    void settingsRoundTrip_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("inspector's web bar")
            << "Inspectors\\Customers\\WebBar"
            << "URL" << QVariant(QStringLiteral("customers/index.htm"));
        QTest::newRow("top-level node") << "WebBar"
                                        << "URL" << QVariant(QStringLiteral("start.htm"));
        QTest::newRow("non-ASCII text") << "Overview"
                                        << "URL" << QVariant(QStringLiteral("Übersicht.htm?tab=ä"));
        QTest::newRow("number in an add-in's node")
            << "Addins\\CorvaneAdministration\\frmEditArchiveDuplicates"
            << "Width" << QVariant(7200);
    }

    void settingsRoundTrip()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        database().Settings()->Node(path)->SetValue(name, value);
        reopen();
        const QVariant read = database().Settings()->Node(path)->Value(name);
        QCOMPARE(read.toString(), value.toString());
        if (value.typeId() == QMetaType::Int)
            QCOMPARE(read.toInt(), value.toInt());
    }

    void nodesChainLikePaths()
    {
        database()
            .Settings()
            ->Node(QStringLiteral("Inspectors\\Orders\\WebBar"))
            ->SetValue(QStringLiteral("URL"), QStringLiteral("orders.htm"));
        const auto chained = database()
                                 .Settings()
                                 ->Node(QStringLiteral("Inspectors"))
                                 ->Node(QStringLiteral("Orders"))
                                 ->Node(QStringLiteral("WebBar"));
        QCOMPARE(chained->Path(), QStringLiteral("Inspectors\\Orders\\WebBar"));
        QCOMPARE(chained->Value(QStringLiteral("URL")).toString(), QStringLiteral("orders.htm"));
        // Node paths are compared without regard to case.
        QCOMPARE(database()
                     .Settings()
                     ->Node(QStringLiteral("inspectors\\ORDERS\\webbar"))
                     ->Value(QStringLiteral("URL"))
                     .toString(),
                 QStringLiteral("orders.htm"));
    }

    void missingReadsAsEmptyText_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("missing node") << "Inspectors\\Nobody\\WebBar"
                                      << "URL";
        QTest::newRow("missing value of an existing node") << "WebBar"
                                                           << "Colour";
        QTest::newRow("value of the root") << ""
                                           << "URL";
    }

    void missingReadsAsEmptyText()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        database()
            .Settings()
            ->Node(QStringLiteral("WebBar"))
            ->SetValue(QStringLiteral("URL"), QStringLiteral("start.htm"));
        const auto node = database().Settings()->Node(path);
        const QVariant value = node->Value(name);
        QCOMPARE(value.typeId(), int(QMetaType::QString));
        QVERIFY(value.toString().isEmpty());
        QCOMPARE(node->GetValue(name, QStringLiteral("fallback")).toString(),
                 QStringLiteral("fallback"));
    }

    void setValueCreatesMissingNode()
    {
        const auto node = database().Settings()->Node(QStringLiteral("Addins\\New\\Section"));
        QVERIFY(node->Value(QStringLiteral("Key")).toString().isEmpty());
        node->SetValue(QStringLiteral("Key"), QStringLiteral("stored"));
        QCOMPARE(node->Value(QStringLiteral("Key")).toString(), QStringLiteral("stored"));
        reopen();
        QCOMPARE(database()
                     .Settings()
                     ->Node(QStringLiteral("Addins"))
                     ->Node(QStringLiteral("New\\Section"))
                     ->Value(QStringLiteral("Key"))
                     .toString(),
                 QStringLiteral("stored"));
    }

    void tablesInIdOrderWithAttributes()
    {
        Dravo::TableCatalog catalog(database().engine());
        catalog.add({3,
                     QStringLiteral("Products"),
                     {},
                     QStringLiteral("ProductInspector"),
                     3,
                     QStringLiteral("Produkte")});
        catalog.add({1,
                     QStringLiteral("Customers"),
                     {},
                     QStringLiteral("Customers"),
                     1,
                     QStringLiteral("Kunden")});
        catalog.add({2, QStringLiteral("Archive"), QStringLiteral("Old archive"),
                     QStringLiteral("Archive"), 0, QStringLiteral("Archiv")});
        database().reloadTables();

        Host::ITables *tables = database().Tables();
        QCOMPARE(tables->Count(), 3);
        QList<qint32> ids;
        for (int i = 0; i < tables->Count(); ++i)
            ids.append(tables->At(i)->Id());
        QCOMPARE(ids, (QList<qint32>{1, 2, 3}));

        const auto archive = tables->Item(2, Host::ITables::ById);
        QVERIFY(archive);
        QCOMPARE(archive->Name(), QStringLiteral("Archive"));
        QCOMPARE(archive->FallbackName(), QStringLiteral("Old archive"));
        const auto attributes = archive->Attributes();
        QCOMPARE(attributes->Item(QStringLiteral("idtable"))->Value().toInt(), 0);
        QCOMPARE(attributes->Item(QStringLiteral("localname"))->Value().toString(),
                 QStringLiteral("Archiv"));
        QCOMPARE(tables->Item(QStringLiteral("3"), Host::ITables::ById)->InspectorName(),
                 QStringLiteral("ProductInspector"));
    }

    void tableLookupFailures_data()
    {
        QTest::addColumn<QVariant>("index");
        QTest::addColumn<int>("lookup");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("error"); // 0: Item gives null
        QTest::newRow("unknown id is null") << QVariant(99) << 4 << 0 << 0;
        QTest::newRow("id that is no number") << QVariant(QStringLiteral("x")) << 4 << 0 << 13;
        QTest::newRow("another lookup kind") << QVariant(1) << 1 << 0 << 5;
        QTest::newRow("position past the end") << QVariant() << 0 << 1 << 9;
        QTest::newRow("negative position") << QVariant() << 0 << -1 << 9;
    }

    void tableLookupFailures()
    {
        QFETCH(QVariant, index);
        QFETCH(int, lookup);
        QFETCH(int, position);
        QFETCH(int, error);
        Dravo::TableCatalog(database().engine())
            .add({1, QStringLiteral("Customers"), {}, QStringLiteral("Customers"), 1, {}});
        Host::ITables *tables = database().Tables();
        try {
            if (index.isValid())
                QVERIFY(!tables->Item(index, lookup));
            else
                tables->At(position);
            QCOMPARE(error, 0);
        } catch (const Platform::RuntimeError &thrown) {
            QCOMPARE(thrown.number(), error);
        }
    }

    void unknownAttributeFails()
    {
        Dravo::TableCatalog(database().engine())
            .add({1, QStringLiteral("Customers"), {}, QStringLiteral("Customers"), 1, {}});
        DRAVO_EXPECT_ERROR(database().Tables()->At(0)->Attributes()->Item(QStringLiteral("colour")),
                           5, "colour");
    }

    void serverAndDatabaseName()
    {
        const Dravo::DatabaseLocation location =
            Dravo::DatabaseLocation::parse(m_scratch->location());
        if (DravoTest::backend() == DravoTest::Backend::Sqlite) {
            QCOMPARE(database().ServerName(), QStringLiteral("sqlite"));
            QCOMPARE(database().DatabaseName(),
                     QFileInfo(m_scratch->location()).absoluteFilePath());
        } else {
            QCOMPARE(database().ServerName(), QStringLiteral("postgresql://%1@%2:%3")
                                                  .arg(location.user, location.host)
                                                  .arg(location.port));
            QCOMPARE(database().DatabaseName(), location.databaseName);
        }
    }

    void applicationOverTheDatabase()
    {
        Host::Application application;
        QVERIFY(!application.ConfigurationContext()->AllowsConfiguration());
        QVERIFY(application.WebFolder().isEmpty());

        database().engine().setWebFolder(m_scratch->folder() + QStringLiteral("/web"));
        application.setDatabase(std::move(m_database));
        QVERIFY(application.ActiveDatabase());
        QVERIFY(application.ConfigurationContext()->AllowsConfiguration());
        QCOMPARE(application.WebFolder(),
                 QDir::toNativeSeparators(m_scratch->folder() + QStringLiteral("/web/")));
        application.closeDatabase();
        QVERIFY(!application.ActiveDatabase());
        QVERIFY(!application.ConfigurationContext()->AllowsConfiguration());
    }
};

DRAVO_TEST_MAIN(tst_HostDatabase)
#include "tst_hostdatabase.moc"
