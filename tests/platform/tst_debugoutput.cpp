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
    void sinkReceivesBytesUnchanged();
    void writesPlainBytesToStandardError();
};

void tst_DebugOutput::sinkReceivesBytesUnchanged()
{
    QList<QByteArray> captured;
    setDebugOutputSink([&](const QByteArray &text) { captured.append(text); });
    outputDebugString("Publish started\r\n");
    const QByteArray binary("\xc3\xa4 and a NUL \0 inside", 19);
    outputDebugString(binary);
    setDebugOutputSink({});
    QCOMPARE(captured.size(), 2);
    QCOMPARE(captured.at(0), QByteArray("Publish started\r\n"));
    QCOMPARE(captured.at(1), binary);
}

void tst_DebugOutput::writesPlainBytesToStandardError()
{
    QTemporaryFile capture;
    QVERIFY(capture.open());
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    QVERIFY(saved >= 0);
    QVERIFY(dup2(capture.handle(), STDERR_FILENO) >= 0);
    outputDebugString("first line\n");
    outputDebugString("second");
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);

    capture.seek(0);
    // No prefix, no time stamp, nothing added.
    QCOMPARE(capture.readAll(), QByteArray("first line\nsecond"));
}

QTEST_GUILESS_MAIN(tst_DebugOutput)
#include "tst_debugoutput.moc"
