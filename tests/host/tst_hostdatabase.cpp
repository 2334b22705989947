// The host's database object over a real database (SQLite, or PostgreSQL when
// CORVANE_TEST_PG_URL names one): what the end-to-end publishes do not reach.
#include "../datarows.h"
#include "../dravo/dravotest.h"
#include "../platform/platformtest.h"

#include "dravo/engine.h"
#include "dravo/tablecatalog.h"
#include "host/api/settingsnode.h"
#include "host/api/table.h"
#include "host/impl/database.h"

using namespace Corvane;
using namespace DataRows;

class tst_HostDatabase : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DravoTest::ScratchDatabase> m_scratch;
    std::unique_ptr<Host::Database> m_database;

    std::shared_ptr<Host::ISettingsNode> node(const QString &path)
    {
        return m_database->Settings()->Node(path);
    }
    void addTables()
    {
        Dravo::TableCatalog catalog(m_database->engine());
        catalog.add({3, "Products", {}, "ProductInspector", 3, "Produkte"});
        catalog.add({1, "Customers", {}, "Customers", 1, "Kunden"});
        catalog.add({2, "Archive", "Old archive", "Archive", 0, "Archiv"});
        m_database->reloadTables();
    }

private slots:
    void initTestCase() { DRAVO_REQUIRE_BACKEND(); }

    void init()
    {
        m_scratch = std::make_unique<DravoTest::ScratchDatabase>();
        m_database = std::make_unique<Host::Database>(Dravo::Engine::create(m_scratch->location()));
    }

    void cleanup()
    {
        m_database.reset();
        m_scratch.reset();
    }

    void newNodesAreStoredAndChainWithoutRegardToCase()
    {
        node("Addins\\New\\Section")->SetValue("Width", 7200);
        m_database.reset();
        m_database = Host::Database::open(m_scratch->location());
        const auto chained = node("ADDINS")->Node("new")->Node("Section");
        QCOMPARE(chained->Value("Width").toInt(), 7200);
        QCOMPARE(node("Overview")->Node("x")->Path(), QStringLiteral("Overview\\x"));
    }

    void missingReadsAsEmptyText_data()
    {
        columns<QString, QString>({"path", "name"});
        row("missing node", "Inspectors\\Nobody\\WebBar", "URL");
        row("value of the root", "", "URL");
    }

    void missingReadsAsEmptyText()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        node("WebBar")->SetValue("URL", "start.htm");
        const QVariant value = node(path)->Value(name);
        QCOMPARE(value.typeId(), int(QMetaType::QString));
        QVERIFY(value.toString().isEmpty());
        QCOMPARE(node(path)->GetValue(name, "fallback").toString(), QStringLiteral("fallback"));
    }

    void tablesWithTheirAttributes()
    {
        addTables();
        Host::ITables *tables = m_database->Tables();
        QCOMPARE(tables->At(0)->Id(), 1);
        const auto archive = tables->Item(2, Host::ITables::ById);
        QCOMPARE(archive->Name(), QStringLiteral("Archive"));
        QCOMPARE(archive->FallbackName(), QStringLiteral("Old archive"));
        QCOMPARE(archive->Attributes()->Item("idtable")->Value().toInt(), 0);
        QCOMPARE(archive->Attributes()->Item("localname")->Value().toString(), "Archiv");
        QCOMPARE(tables->Item("3", Host::ITables::ById)->InspectorName(), "ProductInspector");
    }

    void tableLookupFailures_data()
    {
        // An Item lookup (index valid) or At(position); error 0: Item gives null.
        columns<QVariant, int, int, int>({"index", "lookup", "position", "error"});
        row("unknown id is null", QVariant(99), 4, 0, 0);
        row("position past the end", QVariant(), 0, 3, 9);
        row("unknown attribute", QVariant(), 0, 0, 5);
    }

    void tableLookupFailures()
    {
        QFETCH(QVariant, index);
        QFETCH(int, lookup);
        QFETCH(int, position);
        addTables();
        Host::ITables *tables = m_database->Tables();
        QTEST(errorOf([&] {
                  if (index.isValid())
                      QVERIFY(!tables->Item(index, lookup));
                  else
                      tables->At(position)->Attributes()->Item("colour");
              }),
              "error");
    }
};

DRAVO_TEST_MAIN(tst_HostDatabase)
#include "tst_hostdatabase.moc"
