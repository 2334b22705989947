#include "platform/eventstatus.h"

#include <QTest>

#include <stdexcept>

using namespace Corvane::Platform;

class tst_EventStatus : public QObject
{
    Q_OBJECT
private slots:
    void recordsFirstErrorOnly();
    void standardExceptionBecomesInvalidProcedureCall();
    void handlerWithoutStatusSwallowsError();
    void rethrowHandsErrorToRaiser();
};

void tst_EventStatus::recordsFirstErrorOnly()
{
    EventStatus status;
    runHandler(&status, [] {});
    QVERIFY(!status.failed());
    status.rethrow(); // nothing recorded, nothing thrown

    runHandler(&status, [] { raiseError(ErrorNumber::FileNotFound, "Archiver", "a.htm"); });
    runHandler(&status, [] { raiseError(ErrorNumber::Overflow, "Archiver"); });
    QVERIFY(status.failed());
    QCOMPARE(status.error().number(), ErrorNumber::FileNotFound);
    QCOMPARE(status.error().description(), QStringLiteral("File not found: a.htm"));
}

void tst_EventStatus::standardExceptionBecomesInvalidProcedureCall()
{
    EventStatus status;
    runHandler(&status, [] { throw std::runtime_error("disk full"); });
    QVERIFY(status.failed());
    QCOMPARE(status.error().number(), ErrorNumber::InvalidProcedureCall);
    QCOMPARE(status.error().description(), QStringLiteral("disk full"));
}

void tst_EventStatus::handlerWithoutStatusSwallowsError()
{
    bool ran = false;
    runHandler(nullptr, [&] {
        ran = true;
        raiseError(ErrorNumber::TypeMismatch, "Page");
    });
    QVERIFY(ran);
}

void tst_EventStatus::rethrowHandsErrorToRaiser()
{
    EventStatus status;
    runHandler(&status, [] { throw RuntimeError(componentError(513), "Brimble", "no database"); });
    try {
        status.rethrow();
        QFAIL("nothing thrown");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), componentError(513));
        QCOMPARE(error.source(), QStringLiteral("Brimble"));
    }
}

QTEST_GUILESS_MAIN(tst_EventStatus)
#include "tst_eventstatus.moc"
