#include "platform/eventstatus.h"
#include "tests/platform/platformtest.h"

#include <QTest>

#include <stdexcept>

using namespace Corvane::Platform;

class tst_EventStatus : public QObject
{
    Q_OBJECT
private slots:
    void recordsFirstErrorForTheRaiser()
    {
        EventStatus status, other;
        runHandler(&status, [] {});
        status.rethrow(); // nothing recorded, nothing thrown
        runHandler(&status, [] { raiseError(ErrorNumber::FileNotFound, "Archiver", "a.htm"); });
        runHandler(&status, [] { raiseError(ErrorNumber::Overflow, "Archiver"); });
        runHandler(&other, [] { throw std::runtime_error("disk full"); });
        runHandler(nullptr, [] { raiseError(ErrorNumber::TypeMismatch, "Page"); }); // swallowed
        QString description;
        QCOMPARE(errorOf([&] { status.rethrow(); }, &description), ErrorNumber::FileNotFound);
        QCOMPARE(description, QStringLiteral("File not found: a.htm"));
        QCOMPARE(errorOf([&] { other.rethrow(); }, &description),
                 ErrorNumber::InvalidProcedureCall);
        QCOMPARE(description, QStringLiteral("disk full"));
    }
};

QTEST_GUILESS_MAIN(tst_EventStatus)
#include "tst_eventstatus.moc"
