#include "platform/keyedcollection.h"

#include <QTest>

#include <functional>

using namespace Corvane::Platform;

namespace {

// The number of the runtime error `body` raises; 0 when it raises none.
int errorOf(const std::function<void()> &body, QString *description = nullptr)
{
    try {
        body();
    } catch (const RuntimeError &error) {
        if (description)
            *description = error.description();
        return error.number();
    }
    return 0;
}

QStringList keys(const KeyedCollection<int> &collection)
{
    QStringList list;
    for (const auto &entry : collection)
        list.append(entry.first);
    return list;
}

} // namespace

class tst_KeyedCollection : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void keepsOrderOfInsertion();
    void findsKeysWithoutRegardToCase_data();
    void findsKeysWithoutRegardToCase();
    void duplicateKeyIsError457();
    void missingKeyIsClearError();
    void positionOutOfRangeIsError9();
    void removeKeepsOrderAndLookups();
    void itemCanBeChangedInPlace();
    void setIgnoresCaseAndKeepsFirstSpelling();

private:
    KeyedCollection<int> m_tables;
};

void tst_KeyedCollection::init()
{
    m_tables.clear();
    m_tables.add(QStringLiteral("Customers"), 1);
    m_tables.add(QStringLiteral("__database__"), 2);
    m_tables.add(QStringLiteral("Äpfel"), 3);
    m_tables.add(QStringLiteral("Orders"), 4);
}

void tst_KeyedCollection::keepsOrderOfInsertion()
{
    QCOMPARE(keys(m_tables),
             QStringList({"Customers", "__database__", QStringLiteral("Äpfel"), "Orders"}));
    QCOMPARE(m_tables.count(), 4);
    QCOMPARE(m_tables.at(0), 1);
    QCOMPARE(m_tables.at(3), 4);
    QCOMPARE(m_tables.keyAt(1), QStringLiteral("__database__"));
}

void tst_KeyedCollection::findsKeysWithoutRegardToCase_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("value");
    QTest::newRow("exact") << "Customers" << 1;
    QTest::newRow("lower") << "customers" << 1;
    QTest::newRow("upper") << "ORDERS" << 4;
    QTest::newRow("non-ASCII letters") << QStringLiteral("äPFEL") << 3;
    QTest::newRow("not there") << "Customer" << -1;
}

void tst_KeyedCollection::findsKeysWithoutRegardToCase()
{
    QFETCH(QString, key);
    QFETCH(int, value);
    QCOMPARE(m_tables.contains(key), value >= 0);
    const int *found = m_tables.find(key);
    QCOMPARE(found ? *found : -1, value);
    if (value >= 0)
        QCOMPARE(m_tables.item(key), value);
}

void tst_KeyedCollection::duplicateKeyIsError457()
{
    QString description;
    QCOMPARE(errorOf([&] { m_tables.add(QStringLiteral("CUSTOMERS"), 9); }, &description),
             ErrorNumber::DuplicateKey);
    QVERIFY2(description.contains(QLatin1String("\"CUSTOMERS\"")), qPrintable(description));
    // Nothing changed.
    QCOMPARE(m_tables.count(), 4);
    QCOMPARE(m_tables.item(QStringLiteral("customers")), 1);
}

void tst_KeyedCollection::missingKeyIsClearError()
{
    QString description;
    QCOMPARE(errorOf([&] { m_tables.item(QStringLiteral("Invoices")); }, &description),
             ErrorNumber::InvalidProcedureCall);
    QVERIFY2(description.contains(QLatin1String("\"Invoices\"")), qPrintable(description));
    QCOMPARE(errorOf([&] { m_tables.remove(QStringLiteral("Invoices")); }),
             ErrorNumber::InvalidProcedureCall);
    QCOMPARE(m_tables.count(), 4);
}

void tst_KeyedCollection::positionOutOfRangeIsError9()
{
    QCOMPARE(errorOf([&] { m_tables.at(4); }), ErrorNumber::SubscriptOutOfRange);
    QCOMPARE(errorOf([&] { m_tables.at(-1); }), ErrorNumber::SubscriptOutOfRange);
    QCOMPARE(errorOf([&] { m_tables.keyAt(4); }), ErrorNumber::SubscriptOutOfRange);
}

void tst_KeyedCollection::removeKeepsOrderAndLookups()
{
    m_tables.remove(QStringLiteral("__DATABASE__"));
    QCOMPARE(keys(m_tables), QStringList({"Customers", QStringLiteral("Äpfel"), "Orders"}));
    QVERIFY(!m_tables.contains(QStringLiteral("__database__")));
    // The elements after the removed one are still found under their keys.
    QCOMPARE(m_tables.item(QStringLiteral("orders")), 4);
    QCOMPARE(m_tables.item(QStringLiteral("äpfel")), 3);
    // The key is free again and goes to the end.
    m_tables.add(QStringLiteral("__database__"), 5);
    QCOMPARE(m_tables.keyAt(3), QStringLiteral("__database__"));
    QCOMPARE(m_tables.item(QStringLiteral("__database__")), 5);
}

void tst_KeyedCollection::itemCanBeChangedInPlace()
{
    m_tables.item(QStringLiteral("orders")) = 40;
    QCOMPARE(m_tables.at(3), 40);
}

void tst_KeyedCollection::setIgnoresCaseAndKeepsFirstSpelling()
{
    KeyedSet folders;
    QVERIFY(folders.insert(QStringLiteral("/srv/Web/")));
    QVERIFY(folders.insert(QStringLiteral("/srv/pads/")));
    QVERIFY(!folders.insert(QStringLiteral("/SRV/web/")));
    QVERIFY(folders.contains(QStringLiteral("/srv/WEB/")));
    QCOMPARE(folders.count(), 2);
    QCOMPARE(folders.values(), QStringList({"/srv/Web/", "/srv/pads/"}));
}

QTEST_GUILESS_MAIN(tst_KeyedCollection)
#include "tst_keyedcollection.moc"
