#include "dravotest.h"
#include "tests/datarows.h"

#include "dravo/tablecatalog.h"

using Corvane::Dravo::Engine;
using Corvane::Dravo::TableCatalog;
using Corvane::Dravo::TableRecord;
using DravoTest::ScratchDatabase;
using namespace DataRows;

namespace {

TableRecord table(qint32 id, const QString &name)
{
    return {id, name, name + "s", "Insp" + name, id * 10, "Local " + name};
}

} // namespace

class tst_TableCatalog final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DRAVO_REQUIRE_BACKEND(); }

    void keepsTablesInIdOrder()
    {
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        TableCatalog catalog(*engine);
        QCOMPARE(catalog.nextFreeId(), 1);
        for (const int id : {30, 10, 20})
            catalog.add(table(id, QStringLiteral("T%1").arg(id)));
        QCOMPARE(catalog.nextFreeId(), 31);
        QCOMPARE(catalog.find(15), std::nullopt);

        auto reader = Engine::open(db.location());
        QList<qint32> ids;
        for (const TableRecord &record : TableCatalog(*reader).all())
            ids.append(record.id);
        QCOMPARE(ids, QList<qint32>({10, 20, 30}));
        const TableRecord t20 = *TableCatalog(*reader).find(20);
        QCOMPARE(QStringList({t20.name, t20.fallbackName, t20.inspectorName, t20.localName}),
                 QStringList({"T20", "T20s", "InspT20", "Local T20"}));
        QCOMPARE(t20.idTable, 200);
    }

    void refusesBadRecords_data()
    {
        columns<qint32, QString, int, QString>({"id", "name", "number", "fragment"});
        row("id taken", 10, "Suppliers", 457, "used by the table \"Customers\"");
        row("name taken, in another case", 11, " CUSTOMERS", 457, "already used by the table 10");
    }

    void refusesBadRecords()
    {
        QFETCH(qint32, id);
        QFETCH(QString, name);
        QFETCH(int, number);
        QFETCH(QString, fragment);
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        TableCatalog catalog(*engine);
        catalog.add(table(10, "Customers"));
        DRAVO_EXPECT_ERROR(catalog.add(table(id, name)), number, fragment);
        QCOMPARE(catalog.all().size(), 1);
        QCOMPARE(catalog.find(10)->name, QStringLiteral("Customers"));
    }
};

DRAVO_TEST_MAIN(tst_TableCatalog)
#include "tst_tablecatalog.moc"
