// The storage guarantee under the harshest failure: a process killed with
// SIGKILL at any point of a save leaves the old archive and attributes or the
// new ones, byte for byte, never a mixture or a truncated archive.

#include "dravotest.h"

#include "dravo/actionpadstore.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QProcess>
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
        const QStringList arguments = {
            db.location(), DravoTest::writeFile(db.folder(), QStringLiteral("a.zip"), archives[0]),
            DravoTest::writeFile(db.folder(), QStringLiteral("b.zip"), archives[1])};

        // Start from A, and learn how long one save takes here.
        QElapsedTimer timer;
        {
            auto engine = Engine::create(db.location());
            timer.start();
            ActionPadStore(*engine).save(arguments[1], expectedAttributes(archives, 0));
        }
        const qint64 saveMs = qMax<qint64>(timer.elapsed(), 10);

        int changes = 0;
        QString previous = QStringLiteral("A");
        for (int round = 0; round < kRounds; ++round) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/dravo-killchild"),
                        arguments);
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            // Every sixth kill lands while the child opens the database, the
            // others at points spread over about three saves.
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

            QString stored;
            try {
                stored = checkStoredArchive(db, archives);
            } catch (const Corvane::Platform::RuntimeError &error) {
                QFAIL(qPrintable(
                    QStringLiteral("after kill %1: %2").arg(round).arg(error.toString())));
            }
            if (QTest::currentTestFailed())
                return;
            changes += stored != previous;
            previous = stored;
        }
        qInfo("%s: %d kills, one save took %lld ms, the stored archive changed %d times",
              qPrintable(DravoTest::backendName()), kRounds, saveMs, changes);
        QVERIFY2(changes > 0, "no save was ever committed before a kill");
    }

private:
    static QHash<QString, QString> expectedAttributes(const QByteArray (&archives)[2], int index)
    {
        return {
            {QStringLiteral("archive"), QString(QLatin1Char('A' + index))},
            {QStringLiteral("sha256"),
             QString::fromLatin1(
                 QCryptographicHash::hash(archives[index], QCryptographicHash::Sha256).toHex())}};
    }

    // After a kill: the database is sound, and holds one of the two archives,
    // whole, with that one's attributes. Returns its name.
    static QString checkStoredArchive(const ScratchDatabase &db, const QByteArray (&archives)[2])
    {
        auto engine = Engine::open(db.location());
        if (!engine->isPostgreSql()) {
            QSqlQuery check(engine->connection());
            if (!check.exec(QStringLiteral("PRAGMA integrity_check")) || !check.next() ||
                check.value(0).toString() != QLatin1String("ok")) {
                QTest::qFail("PRAGMA integrity_check failed", __FILE__, __LINE__);
                return {};
            }
        }
        ActionPadStore store(*engine);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        store.readContent(buffer);
        const QHash<QString, QString> attributes = store.attributes();
        for (int index = 0; index < 2; ++index) {
            if (buffer.data() == archives[index] &&
                attributes == expectedAttributes(archives, index))
                return attributes.value(QStringLiteral("archive"));
        }
        QTest::qFail(qPrintable(QStringLiteral("the stored archive (%1 bytes) is neither A nor B "
                                               "with its attributes (archive=%2)")
                                    .arg(buffer.size())
                                    .arg(attributes.value(QStringLiteral("archive")))),
                     __FILE__, __LINE__);
        return {};
    }
};

DRAVO_TEST_MAIN(TstKillSave)
#include "tst_killsave.moc"
