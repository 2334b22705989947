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
        for (const auto &[path, name] : {std::pair{"Inspectors\\Customers\\WebBar", "Height"},
                                         {"Inspectors\\Customers", "URL"},
                                         {"Inspectors\\Customers\\WebBar\\Deeper", "URL"},
                                         {"Inspectors\\Customers\\Web", "URL"},
                                         {"Overview", "URL"}})
            QVERIFY2(!tree.value(path, name), path);
    }

    void valuesKeepTheirKind_data()
    {
        columns<QVariant, QVariant>({"stored", "expected"});
        const QVariant text("Zürich – 東京");
        QTest::newRow("int") << QVariant(-42) << QVariant(qint64(-42));
        QTest::newRow("double, many digits") << QVariant(1.0 / 3.0) << QVariant(1.0 / 3.0);
        QTest::newRow("digits as text") << QVariant("42") << QVariant("42");
        QTest::newRow("unicode text") << text << text;
        QTest::newRow("null becomes empty text") << QVariant() << QVariant(QString(""));
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

    void refusesWhatItCannotStore_data()
    {
        columns<QString, QVariant, int, QString>({"path", "value", "number", "fragment"});
        row("a value neither text nor number", QString("A"), QVariant(QStringList{"x"}), 13,
            QString("List"));
        row("a path of 5000 levels", QString("A\\").repeated(5000), QVariant(1), 5,
            QString("has 5000 levels; a settings node lies at most 64"));
    }

    void refusesWhatItCannotStore()
    {
        QFETCH(QString, path);
        QFETCH(QVariant, value);
        QFETCH(int, number);
        QFETCH(QString, fragment);
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        SettingsTree tree(*engine);
        DRAVO_EXPECT_ERROR(tree.setValue(path, "List", value), number, fragment);
        QVERIFY(!tree.nodeExists("A"));
        // 64 levels are still fine.
        tree.setValue(QString("B\\").repeated(64), "Deep", 1);
        QVERIFY(tree.nodeExists(QString("b\\").repeated(64)));
    }
};

DRAVO_TEST_MAIN(tst_SettingsTree)
#include "tst_settingstree.moc"
