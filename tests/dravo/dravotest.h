#pragma once

// Every storage test runs on SQLite and on PostgreSQL (the server named by CORVANE_TEST_PG_URL,
// see scripts/start-postgres.sh), each on a fresh database of its own.

#include "dravo/engine.h"
#include "platform/runtimeerror.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

namespace DravoTest {

enum class Backend
{
    Sqlite,
    PostgreSql
};

// The backend of the current run.
Backend backend();
QString backendName();
// Empty when the current backend can be used; otherwise why not.
QString unavailableReason();

// A fresh, empty database: a file in a temporary folder, or a new one on the test server
// (dropped afterwards).
class ScratchDatabase final
{
public:
    ScratchDatabase();
    ~ScratchDatabase();
    Q_DISABLE_COPY_MOVE(ScratchDatabase)

    QString location() const { return m_location; }
    QString folder() const { return m_folder.path(); }
    // Runs one statement on a connection of its own; the first value of its first row.
    QVariant execute(const QString &sql) const;

private:
    QTemporaryDir m_folder;
    QString m_location;
    QString m_pgDatabase; // the database to drop, on PostgreSQL
};

// Deterministic bytes that do not compress.
QByteArray randomBytes(qint64 size, quint32 seed);
// Writes bytes to a new file in the folder; returns its path.
QString writeFile(const QString &folder, const QString &name, const QByteArray &bytes);

// Flips one bit of a stored archive chunk behind the engine's back, as a failing disk would.
void flipStoredBit(const QString &location, qint32 seq, qsizetype offset);

// Runs the test object once per backend, SQLite first.
int runOnBackends(QObject &test, int argc, char **argv);

} // namespace DravoTest

// In initTestCase: skips the whole run, visibly, when its backend is missing.
#define DRAVO_REQUIRE_BACKEND()                                                                    \
    do {                                                                                           \
        if (const QString reason_ = DravoTest::unavailableReason(); !reason_.isEmpty())            \
            QSKIP(qPrintable(reason_));                                                            \
    } while (false)

// The statement throws a RuntimeError with that number and the fragment in its description.
#define DRAVO_EXPECT_ERROR(statement, expectedNumber, fragment)                                    \
    do {                                                                                           \
        try {                                                                                      \
            statement;                                                                             \
            QFAIL("no RuntimeError was thrown");                                                   \
        } catch (const Corvane::Platform::RuntimeError &error_) {                                  \
            QCOMPARE(error_.number(), static_cast<std::int32_t>(expectedNumber));                  \
            QVERIFY2(error_.description().contains(fragment, Qt::CaseInsensitive),                 \
                     qPrintable(error_.description()));                                            \
        }                                                                                          \
    } while (false)

#define DRAVO_TEST_MAIN(TestClass)                                                                 \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QCoreApplication app(argc, argv);                                                          \
        TestClass test;                                                                            \
        return DravoTest::runOnBackends(test, argc, argv);                                         \
    }
