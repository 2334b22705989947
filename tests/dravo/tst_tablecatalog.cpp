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

QStringList fields(const TableRecord &r)
{
    return {QString::number(r.id),      r.name,     r.fallbackName, r.inspectorName,
            QString::number(r.idTable), r.localName};
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
        QStringList all;
        for (const TableRecord &record : TableCatalog(*reader).all())
            all += fields(record);
        QCOMPARE(all,
                 fields(table(10, "T10")) + fields(table(20, "T20")) + fields(table(30, "T30")));
    }

    void refusesBadRecords_data()
    {
        columns<qint32, QString, int, QString>({"id", "name", "number", "fragment"});
        QTest::newRow("id taken") << 10 << "Suppliers" << 457 << "used by the table \"Customers\"";
        QTest::newRow("blank name") << 5 << "  " << 5 << "without a name";
        QTest::newRow("zero id") << 0 << "Orders" << 5 << "positive";
        QTest::newRow("name taken, in another case")
            << 11 << " CUSTOMERS" << 457 << "already used by the table 10";
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

    void noIdFollowsTheLargest()
    {
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        TableCatalog catalog(*engine);
        catalog.add({std::numeric_limits<qint32>::max(), "Last", {}, "Last", 1, "Last"});
        DRAVO_EXPECT_ERROR(catalog.nextFreeId(), 6, "2147483647");
    }
};

DRAVO_TEST_MAIN(tst_TableCatalog)
#include "tst_tablecatalog.moc"
