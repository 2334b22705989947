#include "platform/keyedcollection.h"
#include "tests/datarows.h"
#include "tests/platform/platformtest.h"

using namespace Corvane::Platform;
using Tables = KeyedCollection<int>;
using namespace DataRows;

class tst_KeyedCollection : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_tables.clear();
        for (const char *key : {"Customers", "__database__", "Äpfel", "Orders"})
            m_tables.add(QString::fromUtf8(key), m_tables.count() + 1);
    }

    void findsKeysWithoutRegardToCase_data()
    {
        columns<QString, int>({"key", "value"});
        row("exact", "Customers", 1);
        row("upper", "ORDERS", 4);
        row("non-ASCII letters", "äPFEL", 3);
        row("not there", "Customer", -1);
    }

    void findsKeysWithoutRegardToCase()
    {
        QFETCH(QString, key);
        QFETCH(int, value);
        QCOMPARE(m_tables.contains(key), value >= 0);
        const int *found = m_tables.find(key);
        QCOMPARE(found ? *found : -1, value);
    }

    void errorsLeaveCollectionUnchanged_data()
    {
        using Use = std::function<void(Tables &)>;
        columns<Use, int, QString>({"use", "number", "mentions"});
        row("duplicate key in another case", Use([](Tables &t) { t.add("CUSTOMERS", 9); }), 457,
            "\"CUSTOMERS\"");
        row("item of a missing key", Use([](Tables &t) { t.item("Invoices"); }), 5, "\"Invoices\"");
        row("position past the end", Use([](Tables &t) { t.at(4); }), 9, "");
        row("key position past the end", Use([](Tables &t) { t.keyAt(4); }), 9, "");
    }

    void errorsLeaveCollectionUnchanged()
    {
        QFETCH(std::function<void(Tables &)>, use);
        QFETCH(QString, mentions);
        QString description;
        QTEST(errorOf([&] { use(m_tables); }, &description), "number");
        QVERIFY2(description.contains(mentions), qPrintable(description));
        QCOMPARE(keys(), QStringList({"Customers", "__database__", "Äpfel", "Orders"}));
        QCOMPARE(m_tables.item("customers"), 1);
    }

    void removeKeepsOrderAndLookups()
    {
        m_tables.remove("__DATABASE__");
        QCOMPARE(keys(), QStringList({"Customers", "Äpfel", "Orders"}));
        QCOMPARE(m_tables.at(2), 4);
        QCOMPARE(m_tables.item("äpfel"), 3); // still found after the removed one
        m_tables.item("orders") = 40;        // changed in place
        m_tables.add("__database__", 5);     // free again, goes to the end
        QCOMPARE(keys(), QStringList({"Customers", "Äpfel", "Orders", "__database__"}));
        QCOMPARE(m_tables.at(2), 40);
        QCOMPARE(m_tables.item("__Database__"), 5);
    }

    void setIgnoresCaseAndKeepsFirstSpelling()
    {
        KeyedSet folders;
        QVERIFY(folders.insert("/srv/Web/") && folders.insert("/srv/pads/"));
        QVERIFY(!folders.insert("/SRV/web/"));
        QVERIFY(folders.contains("/srv/WEB/"));
        QCOMPARE(folders.values(), QStringList({"/srv/Web/", "/srv/pads/"}));
    }

private:
    QStringList keys() const
    {
        QStringList list;
        for (const auto &entry : m_tables)
            list.append(entry.first);
        return list;
    }

    Tables m_tables;
};

QTEST_GUILESS_MAIN(tst_KeyedCollection)
#include "tst_keyedcollection.moc"
