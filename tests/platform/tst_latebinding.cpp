#include "platform/latebinding.h"
#include "tests/datarows.h"
#include "tests/platform/platformtest.h"

#include <QTest>

using namespace Corvane::Platform;
using namespace DataRows;

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
    Q_INVOKABLE void Move(float left, float top) { m_left = left, m_top = top; }
    Q_INVOKABLE QString Describe(const QString &prefix, int count, bool flag) const
    {
        return QStringLiteral("%1:%2:%3").arg(prefix).arg(count).arg(flag ? "yes" : "no");
    }
    Q_INVOKABLE int Count() const { return 1; }
    Q_INVOKABLE int Count(int extra) const { return 1 + extra; }
    Q_INVOKABLE void Fail() { raiseError(ErrorNumber::FileNotFound, "Record", "pad.htm"); }
signals:
    void Changed();

public:
    QString m_name = QStringLiteral("pad");
    int m_size = 3;
    float m_left = 0;
    float m_top = 0;
};

} // namespace

class tst_LateBinding : public QObject
{
    Q_OBJECT
private slots:
    void convertsValuesByName()
    {
        Record r;
        LateBinding::setProperty(&r, "Size", "42");
        LateBinding::setProperty(&r, "Left", 1440.5);
        LateBinding::setProperty(&r, "Name", 17);
        QCOMPARE(r.m_size, 42);
        QCOMPARE(r.m_left, 1440.5f);
        QCOMPARE(LateBinding::getProperty(&r, "Name"), QVariant("17"));
        QCOMPARE(LateBinding::getProperty(&r, "Kind"), QVariant("record"));
        QVERIFY(!LateBinding::call(&r, "Move", {120, "240.5"}).isValid());
        QCOMPARE(r.m_top, 240.5f);
        QCOMPARE(LateBinding::call(&r, "Describe", {"pads", 2.0, "true"}), QVariant("pads:2:yes"));
        QCOMPARE(LateBinding::call(&r, "Count"), QVariant(1)); // overloads by argument count
        QCOMPARE(LateBinding::call(&r, "Count", {5}), QVariant(6));
        QVERIFY(LateBinding::hasMember(&r, "Name") && LateBinding::hasMember(&r, "Move"));
        QVERIFY(!LateBinding::hasMember(&r, "Width") && !LateBinding::hasMember(nullptr, "Name"));
    }

    void failures_data()
    {
        // access: get, set or call; on a null object when so marked
        columns<QString, QByteArray, QVariantList, int, QString>(
            {"access", "member", "arguments", "number", "mentions"});
        const auto fails = [](const char *name, const char *access, const char *member,
                              QVariantList arguments, int number, const char *mentions = nullptr) {
            QTest::newRow(name) << access << QByteArray(member) << arguments << number
                                << (mentions ? mentions : u'"' + QString(member) + u'"');
        };
        fails("read missing property", "get", "Width", {}, 438);
        fails("wrong argument count", "call", "Move", {1}, 438);
        fails("signals are not callable", "call", "Changed", {}, 438);
        fails("read on null object", "null get", "Name", {}, 424);
        fails("argument not convertible", "call", "Move", {"left", 2}, 13, "argument 1");
        fails("read-only property", "set", "Kind", {"x"}, 13);
        fails("called method's own error", "call", "Fail", {}, 53, "File not found: pad.htm");
    }

    void failures()
    {
        QFETCH(QString, access);
        QFETCH(QByteArray, member);
        QFETCH(QVariantList, arguments);
        QFETCH(QString, mentions);
        Record record;
        QObject *target = access.startsWith("null") ? nullptr : &record;
        const auto use = [&] {
            if (access.endsWith("get"))
                LateBinding::getProperty(target, member.constData());
            else if (access.endsWith("set"))
                LateBinding::setProperty(target, member.constData(), arguments.value(0, 1));
            else
                LateBinding::call(target, member.constData(), arguments);
        };
        QString description;
        QTEST(errorOf(use, &description), "number");
        QVERIFY2(description.contains(mentions), qPrintable(description));
    }
};

QTEST_GUILESS_MAIN(tst_LateBinding)
#include "tst_latebinding.moc"
