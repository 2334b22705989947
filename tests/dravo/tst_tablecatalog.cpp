#include "dravotest.h"

#include "dravo/tablecatalog.h"

using Corvane::Dravo::Engine;
using Corvane::Dravo::TableCatalog;
using Corvane::Dravo::TableRecord;
using DravoTest::ScratchDatabase;

namespace {

TableRecord table(qint32 id, const QString &name)
{
    return {id,
            name,
            name + QStringLiteral("s"),
            QStringLiteral("Insp") + name,
            id * 10,
            QStringLiteral("Local ") + name};
}

} // namespace

class TstTableCatalog final : public QObject
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

        auto reader = Engine::open(db.location());
        const QList<TableRecord> all = TableCatalog(*reader).all();
        QCOMPARE(all.size(), 3);
        QCOMPARE((QList<qint32>{all[0].id, all[1].id, all[2].id}), (QList<qint32>{10, 20, 30}));
        const TableRecord expected = table(10, QStringLiteral("T10"));
        QCOMPARE(all[0].name, expected.name);
        QCOMPARE(all[0].fallbackName, expected.fallbackName);
        QCOMPARE(all[0].inspectorName, expected.inspectorName);
        QCOMPARE(all[0].idTable, expected.idTable);
        QCOMPARE(all[0].localName, expected.localName);
        QCOMPARE(catalog.find(15), std::nullopt);
    }

    void refusesBadRecords_data()
    {
        QTest::addColumn<qint32>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("id taken") << 10 << "Suppliers" << 457 << "used by the table \"Customers\"";
        QTest::newRow("blank name") << 5 << "  " << 5 << "without a name";
        QTest::newRow("zero id") << 0 << "Orders" << 5 << "positive";
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
        catalog.add(table(10, QStringLiteral("Customers")));
        DRAVO_EXPECT_ERROR(catalog.add(table(id, name)), number, fragment);
        QCOMPARE(catalog.all().size(), 1);
        QCOMPARE(catalog.find(10)->name, QStringLiteral("Customers"));
    }
};

DRAVO_TEST_MAIN(TstTableCatalog)
#include "tst_tablecatalog.moc"
