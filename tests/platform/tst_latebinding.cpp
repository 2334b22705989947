#include "platform/latebinding.h"
#include "platform/runtimeerror.h"

#include <QTest>

#include <functional>

using namespace Corvane::Platform;

namespace {

class Record final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Name MEMBER m_name)
    Q_PROPERTY(int Size MEMBER m_size)
    Q_PROPERTY(float Left MEMBER m_left)
    Q_PROPERTY(QString Kind READ kind)
public:
    QString kind() const { return QStringLiteral("record"); }

    Q_INVOKABLE void Move(float left, float top)
    {
        m_left = left;
        m_top = top;
    }
    Q_INVOKABLE QString Describe(const QString &prefix, int count, bool flag) const
    {
        return QStringLiteral("%1:%2:%3").arg(prefix).arg(count).arg(flag ? "yes" : "no");
    }
    Q_INVOKABLE int Count() const { return 1; }
    Q_INVOKABLE int Count(int extra) const { return 1 + extra; }
    Q_INVOKABLE QVariant Echo(const QVariant &value) const { return value; }
    Q_INVOKABLE void Fail() { raiseError(ErrorNumber::FileNotFound, "Record", "pad.htm"); }

signals:
    void Changed();

public:
    QString m_name = QStringLiteral("pad");
    int m_size = 3;
    float m_left = 0;
    float m_top = 0;
};

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

} // namespace

class tst_LateBinding : public QObject
{
    Q_OBJECT
private slots:
    void readsAndWritesProperties();
    void convertsPropertyValues();
    void callsMethodsByNameWithConversions();
    void choosesOverloadByArgumentCount();
    void passesVariantsThrough();
    void failures_data();
    void failures();
    void exceptionOfCalledMethodPropagates();
    void hasMember();
};

void tst_LateBinding::readsAndWritesProperties()
{
    Record record;
    QCOMPARE(LateBinding::getProperty(&record, "Name"), QVariant(QStringLiteral("pad")));
    LateBinding::setProperty(&record, "Name", QStringLiteral("overview"));
    QCOMPARE(record.m_name, QStringLiteral("overview"));
    QCOMPARE(LateBinding::getProperty(&record, "Kind").toString(), QStringLiteral("record"));
}

void tst_LateBinding::convertsPropertyValues()
{
    Record record;
    LateBinding::setProperty(&record, "Size", QStringLiteral("42"));
    QCOMPARE(record.m_size, 42);
    LateBinding::setProperty(&record, "Left", 1440.5);
    QCOMPARE(record.m_left, 1440.5f);
    LateBinding::setProperty(&record, "Name", 17);
    QCOMPARE(record.m_name, QStringLiteral("17"));
}

void tst_LateBinding::callsMethodsByNameWithConversions()
{
    Record record;
    const QVariant none = LateBinding::call(&record, "Move", {120, QStringLiteral("240.5")});
    QVERIFY(!none.isValid());
    QCOMPARE(record.m_left, 120.0f);
    QCOMPARE(record.m_top, 240.5f);

    const QVariant text = LateBinding::call(&record, "Describe",
                                            {QStringLiteral("pads"), 2.0, QStringLiteral("true")});
    QCOMPARE(text, QVariant(QStringLiteral("pads:2:yes")));
}

void tst_LateBinding::choosesOverloadByArgumentCount()
{
    Record record;
    QCOMPARE(LateBinding::call(&record, "Count").toInt(), 1);
    QCOMPARE(LateBinding::call(&record, "Count", {5}).toInt(), 6);
}

void tst_LateBinding::passesVariantsThrough()
{
    Record record;
    const QVariant result = LateBinding::call(&record, "Echo", {QStringList{"a", "b"}});
    QCOMPARE(result.metaType(), QMetaType::fromType<QStringList>());
    QCOMPARE(result.toStringList(), QStringList({"a", "b"}));
}

void tst_LateBinding::failures_data()
{
    QTest::addColumn<std::function<void(QObject *)>>("use");
    QTest::addColumn<bool>("nullObject");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("mentions");

    using Use = std::function<void(QObject *)>;
    QTest::newRow("read missing property")
        << Use([](QObject *o) { LateBinding::getProperty(o, "Width"); }) << false << 438
        << "\"Width\"";
    QTest::newRow("write missing property")
        << Use([](QObject *o) { LateBinding::setProperty(o, "Width", 1); }) << false << 438
        << "\"Width\"";
    QTest::newRow("call missing method")
        << Use([](QObject *o) { LateBinding::call(o, "Resize"); }) << false << 438 << "\"Resize\"";
    QTest::newRow("wrong argument count")
        << Use([](QObject *o) { LateBinding::call(o, "Move", {1}); }) << false << 438 << "\"Move\"";
    QTest::newRow("signals are not callable")
        << Use([](QObject *o) { LateBinding::call(o, "Changed"); }) << false << 438
        << "\"Changed\"";
    QTest::newRow("read on null object")
        << Use([](QObject *o) { LateBinding::getProperty(o, "Name"); }) << true << 424
        << "\"Name\"";
    QTest::newRow("write on null object")
        << Use([](QObject *o) { LateBinding::setProperty(o, "Name", 1); }) << true << 424
        << "\"Name\"";
    QTest::newRow("call on null object") << Use([](QObject *o) {
        LateBinding::call(o, "Move", {1, 2});
    }) << true << 424 << "\"Move\"";
    QTest::newRow("argument not convertible") << Use([](QObject *o) {
        LateBinding::call(o, "Move", {QStringLiteral("left"), 2});
    }) << false << 13 << "argument 1";
    QTest::newRow("property value not convertible")
        << Use([](QObject *o) { LateBinding::setProperty(o, "Size", QStringLiteral("many")); })
        << false << 13 << "\"Size\"";
    QTest::newRow("read-only property")
        << Use([](QObject *o) { LateBinding::setProperty(o, "Kind", QStringLiteral("x")); })
        << false << 13 << "\"Kind\"";
}

void tst_LateBinding::failures()
{
    QFETCH(std::function<void(QObject *)>, use);
    QFETCH(bool, nullObject);
    QFETCH(int, number);
    QFETCH(QString, mentions);
    Record record;
    QString description;
    QCOMPARE(errorOf([&] { use(nullObject ? nullptr : &record); }, &description), number);
    QVERIFY2(description.contains(mentions), qPrintable(description));
}

void tst_LateBinding::exceptionOfCalledMethodPropagates()
{
    Record record;
    QString description;
    QCOMPARE(errorOf([&] { LateBinding::call(&record, "Fail"); }, &description),
             ErrorNumber::FileNotFound);
    QCOMPARE(description, QStringLiteral("File not found: pad.htm"));
}

void tst_LateBinding::hasMember()
{
    Record record;
    QVERIFY(LateBinding::hasMember(&record, "Name"));
    QVERIFY(LateBinding::hasMember(&record, "Move"));
    QVERIFY(!LateBinding::hasMember(&record, "Width"));
    QVERIFY(!LateBinding::hasMember(nullptr, "Name"));
}

QTEST_GUILESS_MAIN(tst_LateBinding)
#include "tst_latebinding.moc"
