#include "dravotest.h"
#include "tests/datarows.h"

#include "dravo/settingstree.h"

using Corvane::Dravo::Engine;
using Corvane::Dravo::SettingsTree;
using DravoTest::ScratchDatabase;
using namespace DataRows;

class tst_SettingsTree final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DRAVO_REQUIRE_BACKEND(); }

    void findsPathsAndNamesWithoutRegardToCase()
    {
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        SettingsTree tree(*engine);
        tree.setValue("Inspectors\\Customers\\WebBar", "URL", "customers.html");
        QCOMPARE(tree.value("\\inspectors\\\\CUSTOMERS\\webbar\\", "url"),
                 QVariant("customers.html"));
        QVERIFY(tree.nodeExists("INSPECTORS"));
        // Another spelling of the same name replaces the value.
        tree.setValue("INSPECTORS\\Customers\\WEBBAR", "url", 2);
        QCOMPARE(tree.value("Inspectors\\Customers\\WebBar", "URL"), QVariant(qint64(2)));
        QCOMPARE(db.execute("SELECT COUNT(*) FROM settings_value").toInt(), 1);
        // Nothing is found above, below or beside the node.
        QVERIFY(!tree.value("Inspectors\\Customers", "URL"));
        QVERIFY(!tree.value("Inspectors\\Customers\\Web", "URL"));
    }

    void valuesKeepTheirKind_data()
    {
        columns<QVariant, QVariant>({"stored", "expected"});
        QTest::newRow("int") << QVariant(-42) << QVariant(qint64(-42));
        QTest::newRow("double, many digits") << QVariant(1.0 / 3.0) << QVariant(1.0 / 3.0);
        QTest::newRow("unicode text") << QVariant("Zürich – 東京") << QVariant("Zürich – 東京");
    }

    void valuesKeepTheirKind()
    {
        QFETCH(QVariant, stored);
        QFETCH(QVariant, expected);
        ScratchDatabase db;
        SettingsTree(*Engine::create(db.location())).setValue("Addins\\Test", "Value", stored);
        auto reader = Engine::open(db.location());
        const std::optional<QVariant> read = SettingsTree(*reader).value("Addins\\Test", "Value");
        QVERIFY(read.has_value());
        QCOMPARE(read->typeId(), expected.typeId());
        QCOMPARE(*read, expected);
    }

    // A settings node lies at most 64 levels deep.
    void refusesTooDeepAPath()
    {
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        SettingsTree tree(*engine);
        DRAVO_EXPECT_ERROR(tree.setValue(QString("A\\").repeated(65), "List", 1), 5,
                           "has 65 levels; a settings node lies at most 64");
        QVERIFY(!tree.nodeExists("A"));
        tree.setValue(QString("B\\").repeated(64), "Deep", 1);
        QVERIFY(tree.nodeExists(QString("b\\").repeated(64)));
    }
};

DRAVO_TEST_MAIN(tst_SettingsTree)
#include "tst_settingstree.moc"
