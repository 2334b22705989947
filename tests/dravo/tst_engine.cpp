#include "dravotest.h"
#include "tests/datarows.h"

#include <QSemaphore>
#include <QSqlDatabase>
#include <QTimer>

using Corvane::Dravo::Engine;
using DravoTest::Backend;
using DravoTest::ScratchDatabase;
using namespace DataRows;

class tst_Engine final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DRAVO_REQUIRE_BACKEND(); }

    void createsOpensAndKeepsData()
    {
        ScratchDatabase db;
        const QStringList connections = QSqlDatabase::connectionNames();
        Engine::create(db.location())->setWebFolder("/srv/web/");
        QCOMPARE(Engine::open(db.location())->webFolder(), QStringLiteral("/srv/web/"));
        Engine::create(db.location()); // again: nothing lost, nothing doubled
        QCOMPARE(Engine::open(db.location())->webFolder(), QStringLiteral("/srv/web/"));
        QCOMPARE(db.execute("SELECT COUNT(*) FROM corvane_schema").toInt(), 1);
        QCOMPARE(QSqlDatabase::connectionNames(), connections); // each engine removed its own
    }

    // A database that is not ours is refused and left as it was.
    void refusesForeignDatabase_data()
    {
        columns<QStringList, QString>({"setup", "fragment"});
        const QString versions = "CREATE TABLE corvane_schema (product TEXT, version INTEGER)";
        QTest::newRow("empty database") << QStringList{} << "no Corvane schema";
        QTest::newRow("another product's version record")
            << QStringList{versions, "INSERT INTO corvane_schema VALUES ('Other', 1)"}
            << "another product";
        QTest::newRow("newer schema")
            << QStringList{versions, "INSERT INTO corvane_schema VALUES ('Corvane', 99)"}
            << "newer than this program";
    }

    void refusesForeignDatabase()
    {
        QFETCH(QStringList, setup);
        QFETCH(QString, fragment);
        ScratchDatabase db;
        const bool sqlite = DravoTest::backend() == Backend::Sqlite;
        if (sqlite)
            DravoTest::writeFile(db.folder(), "corvane.sqlite", {});
        for (const QString &sql : std::as_const(setup))
            db.execute(sql);
        DRAVO_EXPECT_ERROR(Engine::open(db.location()), 5, fragment);
        const QString tables = sqlite ? "sqlite_master WHERE name" : "pg_tables WHERE tablename";
        QCOMPARE(db.execute("SELECT COUNT(*) FROM " + tables + " = 'settings_node'").toInt(), 0);
        if (sqlite)
            QCOMPARE(db.execute("PRAGMA journal_mode").toString(), QStringLiteral("delete"));
    }

    // A failed inner transaction takes the outer one down, even when its error was caught.
    void failedInnerTransactionRollsBackOuter()
    {
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        engine->setWebFolder("/before/");
        const auto outer = [&] {
            engine->setWebFolder("/outer/");
            try {
                engine->transaction([] { throw std::runtime_error("inner failure"); });
            } catch (const std::runtime_error &) {
            }
        };
        DRAVO_EXPECT_ERROR(engine->transaction(outer), 5, "rolled back");
        QVERIFY(!engine->inTransaction());
        QCOMPARE(engine->webFolder(), QStringLiteral("/before/"));
    }

    // A worker borrows the connection, transaction and all, while the caller's
    // events go on; meanwhile the caller cannot touch the connection.
    void workerBorrowsTheConnection()
    {
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        QSemaphore callerRan;
        QString callerSaw;
        QTimer::singleShot(0, [&] {
            callerSaw = engine->inTransaction() ? "in a transaction; " : "";
            try {
                engine->webFolder();
            } catch (const Corvane::Platform::RuntimeError &error) {
                callerSaw += error.description();
            }
            callerRan.release();
        });
        engine->begin();
        engine->runOnWorker([&] {
            if (!callerRan.tryAcquire(1, 10000))
                throw std::runtime_error("the caller's events stood still");
            engine->setWebFolder("/worker/");
        });
        QVERIFY2(callerSaw.startsWith("in a transaction; ") && callerSaw.contains("is busy"),
                 qPrintable(callerSaw));
        QCOMPARE(Engine::open(db.location())->webFolder(), QString()); // not committed yet
        engine->commit();
        QCOMPARE(Engine::open(db.location())->webFolder(), QStringLiteral("/worker/"));
        // The worker's error reaches the caller as it was thrown.
        DRAVO_EXPECT_ERROR(engine->runOnWorker([&] { engine->execute("SELECT * FROM nowhere"); }),
                           5, "nowhere");
        QVERIFY(!engine->inTransaction());
    }
};

DRAVO_TEST_MAIN(tst_Engine)
#include "tst_engine.moc"
