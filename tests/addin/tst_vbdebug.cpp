#include "addin/vbdebug.h"

#include "tests/fakehost/debugcapture.h"

#include <QTest>

namespace VBDebug = Brimble::VBDebug;

class tst_VBDebug : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { VBDebug::SetDebugFlag(false); }

    void debugPrint_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("plain line gets CR LF")
            << "archive: a.zip" << QByteArray("archive: a.zip\r\n");
        QTest::newRow("ends with CR LF") << "done\r\n" << QByteArray("done\r\n");
        QTest::newRow("CR LF in the middle") << "one\r\ntwo" << QByteArray("one\r\ntwo");
        QTest::newRow("CR LF at the start") << "\r\nlate" << QByteArray("\r\nlate");
        QTest::newRow("LF alone is no line break") << "one\ntwo" << QByteArray("one\ntwo\r\n");
        QTest::newRow("CR alone is no line break") << "one\rtwo" << QByteArray("one\rtwo\r\n");
        QTest::newRow("LF CR is no line break") << "one\n\rtwo" << QByteArray("one\n\rtwo\r\n");
        QTest::newRow("empty message") << "" << QByteArray("\r\n");
        QTest::newRow("no prefix, no filtering")
            << "*** m_Application_BeforeConfigure"
            << QByteArray("*** m_Application_BeforeConfigure\r\n");
    }

    void debugPrint()
    {
        QFETCH(QString, message);
        QFETCH(QByteArray, expected);
        VBDebug::SetDebugFlag(true);
        FakeHost::DebugCapture capture;
        VBDebug::DebugPrint(message);
        QCOMPARE(capture.lines, QByteArrayList{expected});
    }

    void flagOffWritesNothing()
    {
        VBDebug::SetDebugFlag(false);
        FakeHost::DebugCapture capture;
        VBDebug::DebugPrint("one");
        VBDebug::DebugPrint("two\r\n");
        QVERIFY(capture.lines.isEmpty());
        QVERIFY(!VBDebug::DebugFlag());
    }
};

QTEST_GUILESS_MAIN(tst_VBDebug)
#include "tst_vbdebug.moc"
