#include "platform/runtimeerror.h"

#include <QTest>

using namespace Corvane::Platform;

class tst_RuntimeError : public QObject
{
    Q_OBJECT
private slots:
    void componentErrorNumbers_data();
    void componentErrorNumbers();
    void raiseErrorDescribes_data();
    void raiseErrorDescribes();
    void keepsHelpFileAndContext();
    void toStringNamesNumberInDecimalAndHex_data();
    void toStringNamesNumberInDecimalAndHex();
};

void tst_RuntimeError::componentErrorNumbers_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("base") << 0 << 0x80040000u;
    QTest::newRow("no database open (513)") << 513 << 0x80040201u;
    QTest::newRow("1000") << 1000 << 0x800403E8u;
}

void tst_RuntimeError::componentErrorNumbers()
{
    QFETCH(int, n);
    QFETCH(quint32, expected);
    QCOMPARE(static_cast<quint32>(componentError(n)), expected);
    QVERIFY(componentError(n) < 0); // the runtime shows them as negative 32-bit numbers
}

void tst_RuntimeError::raiseErrorDescribes_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("description");
    QTest::newRow("standard text only") << 9 << QString() << "Subscript out of range";
    QTest::newRow("standard text and detail")
        << 438 << "Widget has no member \"Move\""
        << "Object doesn't support this property or method: Widget has no member \"Move\"";
    QTest::newRow("duplicate key") << 457 << QString()
                                   << "This key is already associated with an element of this "
                                      "collection";
    QTest::newRow("component error: detail alone") << componentError(513) << "no database is open"
                                                   << "no database is open";
}

void tst_RuntimeError::raiseErrorDescribes()
{
    QFETCH(int, number);
    QFETCH(QString, detail);
    QFETCH(QString, description);
    try {
        raiseError(number, QStringLiteral("Corvane Administration"), detail);
        QFAIL("raiseError returned");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), number);
        QCOMPARE(error.source(), QStringLiteral("Corvane Administration"));
        QCOMPARE(error.description(), description);
        QVERIFY(error.helpFile().isEmpty());
        QCOMPARE(error.helpContext(), 0);
    }
}

void tst_RuntimeError::keepsHelpFileAndContext()
{
    const RuntimeError error(5, QStringLiteral("Page"), QStringLiteral("bad"),
                             QStringLiteral("brimble.chm"), 4711);
    QCOMPARE(error.helpFile(), QStringLiteral("brimble.chm"));
    QCOMPARE(error.helpContext(), 4711);
    // Caught as a std::exception it still tells what failed.
    const std::exception &base = error;
    QCOMPARE(QString::fromUtf8(base.what()), error.toString());
}

void tst_RuntimeError::toStringNamesNumberInDecimalAndHex_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    QTest::newRow("runtime error") << 438 << "LateBinding"
                                   << "Error 438 (0x000001B6) in LateBinding: missing";
    QTest::newRow("component error") << componentError(513) << "Brimble"
                                     << "Error -2147220991 (0x80040201) in Brimble: missing";
    QTest::newRow("no source") << 5 << QString() << "Error 5 (0x00000005) in ?: missing";
}

void tst_RuntimeError::toStringNamesNumberInDecimalAndHex()
{
    QFETCH(int, number);
    QFETCH(QString, source);
    QFETCH(QString, expected);
    QCOMPARE(RuntimeError(number, source, QStringLiteral("missing")).toString(), expected);
}

QTEST_GUILESS_MAIN(tst_RuntimeError)
#include "tst_runtimeerror.moc"
