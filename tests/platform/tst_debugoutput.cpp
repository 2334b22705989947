#include "platform/debugoutput.h"

#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

using namespace Corvane::Platform;

class tst_DebugOutput : public QObject
{
    Q_OBJECT
private slots:
    // Bytes as they are: to the sink when one is set, else to standard error.
    void passesBytesUnchanged()
    {
        QList<QByteArray> captured;
        setDebugOutputSink([&](const QByteArray &text) { captured.append(text); });
        const QByteArray binary = QByteArrayLiteral("\xc3\xa4 and a NUL \0 inside\r\n");
        outputDebugString(binary);
        setDebugOutputSink({});
        QCOMPARE(captured, QList<QByteArray>{binary});

        QTemporaryFile capture;
        QVERIFY(capture.open());
        std::fflush(stderr);
        const int saved = dup(STDERR_FILENO);
        QVERIFY(saved >= 0 && dup2(capture.handle(), STDERR_FILENO) >= 0);
        outputDebugString("first line\n");
        outputDebugString("second");
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
        capture.seek(0);
        QCOMPARE(capture.readAll(), QByteArray("first line\nsecond")); // nothing added
    }
};

QTEST_GUILESS_MAIN(tst_DebugOutput)
#include "tst_debugoutput.moc"
