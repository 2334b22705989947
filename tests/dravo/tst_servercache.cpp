#include "dravotest.h"

#include "dravo/servercache.h"

using Corvane::Dravo::Engine;
using Corvane::Dravo::ServerCache;
using DravoTest::ScratchDatabase;

class TstServerCache final : public QObject
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
    }

    // The procedure lives on the server: any client can run it.
    void procedureRunsOnTheServer()
    {
        if (DravoTest::backend() != DravoTest::Backend::PostgreSql)
            QSKIP("SQLite has no server-side procedures");
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        QCOMPARE(db.execute(QStringLiteral("SELECT qsp_refreshqdc()")).toLongLong(), 1);
        QCOMPARE(db.execute(QStringLiteral("SELECT qsp_refreshqdc()")).toLongLong(), 2);
        QCOMPARE(ServerCache(*engine).generation(), 2);
    }
};

DRAVO_TEST_MAIN(TstServerCache)
#include "tst_servercache.moc"
