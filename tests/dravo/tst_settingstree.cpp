#include "dravotest.h"

#include "dravo/settingstree.h"

using Corvane::Dravo::Engine;
using Corvane::Dravo::SettingsTree;
using DravoTest::ScratchDatabase;

class TstSettingsTree final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DRAVO_REQUIRE_BACKEND(); }

    void init()
    {
        m_db = std::make_unique<ScratchDatabase>();
        m_engine = Engine::create(m_db->location());
    }

    void cleanup()
    {
        m_engine.reset();
        m_db.reset();
    }

    void findsPathsAndNamesWithoutRegardToCase()
    {
        SettingsTree tree(*m_engine);
        tree.setValue(QStringLiteral("Inspectors\\Customers\\WebBar"), QStringLiteral("URL"),
                      QStringLiteral("customers.html"));
        QCOMPARE(tree.value(QStringLiteral("\\inspectors\\\\CUSTOMERS\\webbar\\"),
                            QStringLiteral("url")),
                 QVariant(QStringLiteral("customers.html")));
        QVERIFY(tree.nodeExists(QStringLiteral("INSPECTORS")));
        // Another spelling of the same name replaces the value.
        tree.setValue(QStringLiteral("INSPECTORS\\Customers\\WEBBAR"), QStringLiteral("url"), 2);
        QCOMPARE(tree.value(QStringLiteral("Inspectors\\Customers\\WebBar"), QStringLiteral("URL")),
                 QVariant(qint64(2)));
        QCOMPARE(m_db->execute(QStringLiteral("SELECT COUNT(*) FROM settings_value")).toInt(), 1);
    }

    void missingGivesNothing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("missing node") << "Overview"
                                      << "URL";
        QTest::newRow("missing value") << "WebBar"
                                       << "Height";
        QTest::newRow("parent of the node") << ""
                                            << "URL";
        QTest::newRow("child of the node") << "WebBar\\Deeper"
                                           << "URL";
        QTest::newRow("prefix of the node name") << "Web"
                                                 << "URL";
    }

    void missingGivesNothing()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        SettingsTree tree(*m_engine);
        tree.setValue(QStringLiteral("WebBar"), QStringLiteral("URL"), QStringLiteral("db.html"));
        QCOMPARE(tree.value(path, name), std::nullopt);
    }

    void valuesKeepTheirKind_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("int") << QVariant(-42) << QVariant(qint64(-42));
        QTest::newRow("large integer") << QVariant(qint64(1) << 53) << QVariant(qint64(1) << 53);
        QTest::newRow("double, many digits") << QVariant(1.0 / 3.0) << QVariant(1.0 / 3.0);
        QTest::newRow("bool") << QVariant(true) << QVariant(true);
        QTest::newRow("digits as text")
            << QVariant(QStringLiteral("42")) << QVariant(QStringLiteral("42"));
        QTest::newRow("unicode text") << QVariant(QStringLiteral("Zürich – 東京"))
                                      << QVariant(QStringLiteral("Zürich – 東京"));
        QTest::newRow("null becomes empty text") << QVariant() << QVariant(QString(""));
    }

    void valuesKeepTheirKind()
    {
        QFETCH(QVariant, stored);
        QFETCH(QVariant, expected);
        const QString node = QStringLiteral("Addins\\CorvaneAdministration\\Test");
        SettingsTree(*m_engine).setValue(node, QStringLiteral("Value"), stored);
        auto reader = Engine::open(m_db->location());
        const std::optional<QVariant> read = SettingsTree(*reader).value(node, "Value");
        QVERIFY(read.has_value());
        QCOMPARE(read->typeId(), expected.typeId());
        QCOMPARE(*read, expected);
    }

    void refusesValuesThatAreNeitherTextNorNumber()
    {
        SettingsTree tree(*m_engine);
        DRAVO_EXPECT_ERROR(tree.setValue(QStringLiteral("A"), QStringLiteral("List"),
                                         QStringList{QStringLiteral("x")}),
                           13, QStringLiteral("List"));
        QVERIFY(!tree.nodeExists(QStringLiteral("A")));
    }

private:
    std::unique_ptr<ScratchDatabase> m_db;
    std::unique_ptr<Engine> m_engine;
};

DRAVO_TEST_MAIN(TstSettingsTree)
#include "tst_settingstree.moc"
