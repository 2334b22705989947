#include "addin/vbdebug.h"

#include "../datarows.h"
#include "tests/fakehost/debugcapture.h"

#include <QTest>

namespace VBDebug = Brimble::VBDebug;
using namespace DataRows;

class tst_VBDebug : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { VBDebug::SetDebugFlag(false); }

    void debugPrint_data()
    {
        columns<bool, QString, QByteArray>({"flag", "message", "expected"}); // empty: nothing
        row("plain line gets CR LF", true, "a.zip", QByteArray("a.zip\r\n"));
        row("ends with CR LF", true, "done\r\n", QByteArray("done\r\n"));
        row("CR LF in the middle", true, "one\r\ntwo", QByteArray("one\r\ntwo"));
        row("LF alone is no line break", true, "a\nb", QByteArray("a\nb\r\n"));
        row("flag off writes nothing", false, "one", QByteArray());
    }

    void debugPrint()
    {
        QFETCH(bool, flag);
        QFETCH(QString, message);
        QFETCH(QByteArray, expected);
        VBDebug::SetDebugFlag(flag);
        FakeHost::DebugCapture capture;
        VBDebug::DebugPrint(message);
        QCOMPARE(capture.lines, expected.isEmpty() ? QByteArrayList() : QByteArrayList{expected});
        QCOMPARE(VBDebug::DebugFlag(), flag);
    }
};

QTEST_GUILESS_MAIN(tst_VBDebug)
#include "tst_vbdebug.moc"
