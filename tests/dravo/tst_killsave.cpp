// A process killed with SIGKILL at any point of a save leaves the old archive and attributes
// or the new ones, byte for byte, never a mixture or a truncated archive.

#include "dravotest.h"

#include "dravo/actionpadstore.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

using Corvane::Dravo::ActionPadStore;
using Corvane::Dravo::Engine;
using DravoTest::ScratchDatabase;

class TstKillSave final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DRAVO_REQUIRE_BACKEND(); }

    void killedSaveLeavesOldOrNewArchive()
    {
        constexpr int kRounds = 36;
        ScratchDatabase db;
        // Archives of different sizes, each over several chunks.
        const QByteArray archives[2] = {
            DravoTest::randomBytes(ActionPadStore::kChunkSize * 5 / 2 + 123, 21),
            DravoTest::randomBytes(ActionPadStore::kChunkSize * 13 / 4 + 7, 22)};
        const QStringList arguments = {db.location(),
                                       DravoTest::writeFile(db.folder(), "a.zip", archives[0]),
                                       DravoTest::writeFile(db.folder(), "b.zip", archives[1])};
        // Start from A, and learn how long one save takes here.
        QElapsedTimer timer;
        {
            auto engine = Engine::create(db.location());
            timer.start();
            ActionPadStore(*engine).save(arguments[1], attributesOf(archives, 0));
        }
        const qint64 saveMs = qMax<qint64>(timer.elapsed(), 10);

        int changes = 0;
        QString previous = "A";
        for (int round = 0; round < kRounds; ++round) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationDirPath() + "/dravo-killchild", arguments);
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            // Every sixth kill lands while the child opens the database, the others at points
            // spread over about three saves.
            if (round % 6 == 0) {
                QThread::msleep(static_cast<unsigned long>(round));
            } else {
                while (!child.canReadLine() && child.state() == QProcess::Running)
                    child.waitForReadyRead(100);
                QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
                QThread::msleep(
                    static_cast<unsigned long>(saveMs * 3 * ((round * 7) % kRounds) / kRounds));
            }
            child.kill(); // SIGKILL
            QVERIFY(child.waitForFinished(30000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            // The database is sound, and holds one of the two archives, whole, with its attributes.
            QString stored;
            try {
                auto engine = Engine::open(db.location());
                if (!engine->isPostgreSql())
                    QCOMPARE(execute(*engine, "PRAGMA integrity_check"), QStringLiteral("ok"));
                ActionPadStore store(*engine);
                QBuffer buffer;
                buffer.open(QIODevice::WriteOnly);
                store.readContent(buffer);
                stored = store.attributes().value("archive");
                const int index = stored == "B";
                QVERIFY2(buffer.data() == archives[index] &&
                             store.attributes() == attributesOf(archives, index),
                         qPrintable(QStringLiteral("after kill %1 the archive (%2 bytes) is "
                                                   "neither A nor B with its attributes (%3)")
                                        .arg(round)
                                        .arg(buffer.size())
                                        .arg(stored)));
            } catch (const Corvane::Platform::RuntimeError &error) {
                QFAIL(qPrintable(QStringLiteral("after kill %1: %2").arg(round).arg(error.what())));
            }
            changes += stored != previous;
            previous = stored;
        }
        qInfo("%s: %d kills, one save took %lld ms, the stored archive changed %d times",
              qPrintable(DravoTest::backendName()), kRounds, saveMs, changes);
        QVERIFY2(changes > 0, "no save was ever committed before a kill");
    }

private:
    static QHash<QString, QString> attributesOf(const QByteArray (&archives)[2], int index)
    {
        const QByteArray hash =
            QCryptographicHash::hash(archives[index], QCryptographicHash::Sha256);
        return {{"archive", QString(QLatin1Char('A' + index))},
                {"sha256", QString::fromLatin1(hash.toHex())}};
    }

    static QString execute(Engine &engine, const QString &sql)
    {
        QSqlQuery query(engine.connection());
        return query.exec(sql) && query.next() ? query.value(0).toString()
                                               : query.lastError().text();
    }
};

DRAVO_TEST_MAIN(TstKillSave)
#include "tst_killsave.moc"
