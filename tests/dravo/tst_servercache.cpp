#include "dravotest.h"

#include "dravo/servercache.h"

using Corvane::Dravo::Engine;
using Corvane::Dravo::ServerCache;
using DravoTest::ScratchDatabase;

class tst_ServerCache final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DRAVO_REQUIRE_BACKEND(); }

    void everyRefreshCountsAndStampsTheTime()
    {
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        QCOMPARE(ServerCache(*engine).generation(), 0);
        QVERIFY(!ServerCache(*engine).refreshedAt().isValid());
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        for (int i = 0; i < 3; ++i)
            ServerCache(*engine).refresh();
        const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(1);
        auto reader = Engine::open(db.location());
        QCOMPARE(ServerCache(*reader).generation(), 3);
        const QDateTime stamp = ServerCache(*reader).refreshedAt();
        QVERIFY2(stamp >= before && stamp <= after, qPrintable(stamp.toString(Qt::ISODateWithMs)));
        // On PostgreSQL the procedure lives on the server: any client can run it.
        if (engine->isPostgreSql()) {
            QCOMPARE(db.execute("SELECT qsp_refreshqdc()").toLongLong(), 4);
            QCOMPARE(ServerCache(*engine).generation(), 4);
        }
        // Without its record the refresh fails on either server, as the procedure does.
        db.execute("DELETE FROM server_cache");
        DRAVO_EXPECT_ERROR(ServerCache(*engine).refresh(), 5, "the server cache record is missing");
        QVERIFY(!engine->inTransaction());
    }
};

DRAVO_TEST_MAIN(tst_ServerCache)
#include "tst_servercache.moc"
