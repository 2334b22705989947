// Publishing when things go wrong: `corvane-admin publish` killed with SIGKILL
// anywhere in its zip and store, a database locked by another connection or
// write-protected, a temporary folder that is missing or closed, a web folder
// whose links go round in circles, and a file that vanishes between the
// preview and the zip (in this process, with the real host and add-in). After
// each the database holds what it held or what the publish saved, and the
// user was told what went wrong. The kill test runs on SQLite and on
// PostgreSQL; the others on SQLite.

#include "e2esupport.h"
#include "livehost.h"

#include "../app/admintool.h"
#include "../dravo/dravotest.h"

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using EndToEnd::StoredState;

namespace {

const QString kZipState = QStringLiteral("Creating the archive");
const QString kStoreState = QStringLiteral("Storing the archive in the database");

// One run of `corvane-admin publish`, perhaps killed: when the zip and the
// store began (ms after the start, -1 when not reached) and how it ended.
struct PublishRun
{
    qint64 zipAt = -1;
    qint64 storeAt = -1;
    qint64 endAt = -1;
    bool killed = false;
    int exitCode = -1;
    QString output;
    QString errors;
};

// The state a killed publish may leave: the old one or the new one, nothing between.
enum class Saved
{
    Old,
    New,
    Other
};

} // namespace

class tst_PublishFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DravoTest::ScratchDatabase> m_db;
    QList<EndToEnd::ZipEntry> m_newEntries;
    QString m_deleted; // the file a hook deletes, and whether it did
    bool m_didDelete = false;

    bool sqlite() const { return DravoTest::backend() == DravoTest::Backend::Sqlite; }
    QString web() const { return m_db->folder() + QStringLiteral("/web"); }
    QString folder(const QString &name) const
    {
        const QString path = m_db->folder() + u'/' + name;
        QDir().mkpath(path);
        return path;
    }
    QString dump() const { return sqlite() ? EndToEnd::sqliteDump(m_db->location()) : QString(); }

    AdminTool::Result admin(QStringList arguments) const
    {
        return AdminTool::run(arguments << QStringLiteral("--database") << m_db->location());
    }
    void setLocation(const QString &node, const QString &url) const
    {
        QCOMPARE(admin({QStringLiteral("settings"), QStringLiteral("set"), node,
                        QStringLiteral("URL"), url})
                     .exitCode,
                 0);
    }
    QProcessEnvironment environment(const QString &tmpdir) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), tmpdir);
        // Debug lines mark kill points.
        environment.insert(QStringLiteral("CORVANE_DEBUG_OUTPUT"), QStringLiteral("stderr"));
        return environment;
    }

    // Runs a publish; once a line starting with `trigger` has appeared on
    // either stream, waits `delayMs` and kills it (an empty trigger: never).
    PublishRun runPublish(const QString &trigger, qint64 delayMs, QProcess *prepared = nullptr)
    {
        QProcess own;
        QProcess &process = prepared ? *prepared : own;
        if (!prepared)
            process.setProcessEnvironment(environment(folder(QStringLiteral("tmp-run"))));
        PublishRun run;
        QElapsedTimer clock;
        clock.start();
        process.start(AdminTool::program(),
                      {QStringLiteral("publish"), QStringLiteral("--database"), m_db->location(),
                       QStringLiteral("--language"), QStringLiteral("en")});
        qint64 triggeredAt = -1;
        const auto seen = [&](const QString &text) {
            return text.startsWith(trigger) || text.contains(u'\n' + trigger);
        };
        while (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0) {
            process.waitForReadyRead(2);
            run.output += QString::fromUtf8(process.readAllStandardOutput());
            run.errors += QString::fromUtf8(process.readAllStandardError());
            if (run.zipAt < 0 && run.output.contains(kZipState))
                run.zipAt = clock.elapsed();
            if (run.storeAt < 0 && run.output.contains(kStoreState))
                run.storeAt = clock.elapsed();
            if (!trigger.isEmpty() && triggeredAt < 0 && (seen(run.output) || seen(run.errors)))
                triggeredAt = clock.elapsed();
            if (!run.killed && process.state() != QProcess::NotRunning &&
                ((triggeredAt >= 0 && clock.elapsed() >= triggeredAt + delayMs) ||
                 clock.elapsed() > 120000)) {
                process.kill();
                run.killed = true;
            }
            if (process.state() == QProcess::NotRunning && process.bytesAvailable() == 0)
                break;
        }
        process.waitForFinished();
        run.output += QString::fromUtf8(process.readAllStandardOutput());
        run.errors += QString::fromUtf8(process.readAllStandardError());
        run.endAt = clock.elapsed();
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        if (run.exitCode >= 0)
            run.killed = false; // it ended before the signal came
        return run;
    }

    Saved classify(const StoredState &state, const StoredState &before, const StoredState &after)
    {
        bool newArchive = state.archive == after.archive;
        if (!newArchive && state.archive != before.archive) {
            // The same entries, but access times of files read anew since.
            QString error;
            newArchive = EndToEnd::pythonEntries(state.archive, &error) == m_newEntries;
        }
        if (state.archive == before.archive && state.attributes == before.attributes)
            return Saved::Old;
        if (newArchive && state.attributes == after.attributes)
            return Saved::New;
        return Saved::Other;
    }

    // Puts the old archive and attributes back, as one save.
    void restore(const StoredState &state)
    {
        const QString path = folder(QStringLiteral("restore")) + QStringLiteral("/old.zip");
        EndToEnd::writeFile(path, state.archive);
        const std::unique_ptr<Corvane::Dravo::Engine> engine =
            Corvane::Dravo::Engine::open(m_db->location());
        Corvane::Dravo::ActionPadStore(*engine).save(path, state.attributes);
    }

    // Runs the publish as "nobody" when the tests run as root, with folders of
    // its own for settings and temporary files, so that permissions count.
    bool prepareUnprivileged(QProcess &process, const QString &tmpdir, QString *reason)
    {
        const QString user = folder(QStringLiteral("user"));
        QProcessEnvironment environment = this->environment(tmpdir);
        for (const char *name : {"XDG_CONFIG_HOME", "HOME", "XDG_RUNTIME_DIR"}) {
            const QString path = user + u'/' + QLatin1String(name).toString().toLower();
            QDir().mkpath(path);
            environment.insert(QLatin1String(name), path);
        }
        QFile::setPermissions(user + QStringLiteral("/xdg_runtime_dir"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        process.setProcessEnvironment(environment);
        QFile::setPermissions(m_db->folder(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadOther |
                                                  QFile::WriteOther | QFile::ExeOther);
        if (!EndToEnd::runningAsRoot())
            return true;
        EndToEnd::giveToNobody(user);
        return EndToEnd::runAsNobody(process, reason);
    }

private slots:
    void onPreviewing(const QString &, const QString &sSourceFilename)
    {
        if (!m_didDelete && sSourceFilename.endsWith(QFileInfo(m_deleted).fileName()))
            m_didDelete = QFile::remove(m_deleted);
    }
    void onPreprocessing(QString *, const QString &, const QString &)
    {
        if (!m_didDelete)
            m_didDelete = QFile::remove(m_deleted);
    }

    void initTestCase()
    {
        DRAVO_REQUIRE_BACKEND();
        QVERIFY2(QFileInfo::exists(AdminTool::program()), qPrintable(AdminTool::program()));
    }

    void init()
    {
        m_db = std::make_unique<DravoTest::ScratchDatabase>();
        const AdminTool::Result result = admin({QStringLiteral("init"), QStringLiteral("--demo"),
                                                QStringLiteral("--web-folder"), web()});
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
        m_didDelete = false;
    }

    void cleanup() { m_db.reset(); }

    void killedPublishLeavesASavedState()
    {
        // The demo grown by files that do not compress, so that the zip and
        // the store last long enough to be hit.
        for (int i = 0; i < 4; ++i) {
            EndToEnd::writeRandomFile(web() + QStringLiteral("/media/r%1.bin").arg(i), 1500000,
                                      quint32(i));
            EndToEnd::writeRandomFile(web() + QStringLiteral("/media/p%1.jpg").arg(i), 1000000,
                                      quint32(10 + i));
        }
        QCOMPARE(runPublish({}, 0).exitCode, 0);
        const StoredState before = EndToEnd::readStoredState(m_db->location());

        // The next publish changes files and the database-wide page.
        for (int i = 0; i < 4; ++i)
            EndToEnd::writeRandomFile(web() + QStringLiteral("/media/r%1.bin").arg(i), 1500000,
                                      quint32(100 + i));
        EndToEnd::writeFile(web() + QStringLiteral("/home.htm"), "<html>home</html>\n");
        setLocation(QStringLiteral("WebBar"), QStringLiteral("home.htm"));
        EndToEnd::settleAccessTimes(web());
        const PublishRun whole = runPublish({}, 0);
        QVERIFY2(whole.exitCode == 0 && whole.zipAt > 0 && whole.storeAt > whole.zipAt,
                 qPrintable(whole.errors));
        const StoredState after = EndToEnd::readStoredState(m_db->location());
        QString error;
        m_newEntries = EndToEnd::pythonEntries(after.archive, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(after.attributes.value(QStringLiteral("defaultactionpad")),
                 QStringLiteral("home.htm"));
        QVERIFY(after.archive != before.archive);
        restore(before);

        // Kill points spread over the zip and over the store (and a little
        // beyond its end), alternately; one more while the page writes the
        // attributes back in the archive's transaction.
        const int kills = sqlite() ? 50 : 12;
        const qint64 zipTime = whole.storeAt - whole.zipAt;
        const qint64 storeTime = whole.endAt - whole.storeAt;
        QRandomGenerator random(4711);
        int counts[3] = {};
        for (int round = 0; round <= kills; ++round) {
            const int slot = round / 2;
            const double share = (slot + random.generateDouble()) / (kills / 2);
            PublishRun run;
            if (round == kills)
                run = runPublish(QStringLiteral("set actionpad for __database__"), 0);
            else if (round % 2 == 0)
                run = runPublish(kZipState, qint64(share * zipTime));
            else
                run = runPublish(kStoreState, qint64(share * storeTime * 1.3));
            QDir(folder(QStringLiteral("tmp-run"))).removeRecursively();

            if (sqlite())
                QCOMPARE(EndToEnd::sqliteIntegrity(m_db->location()), QStringLiteral("ok"));
            const StoredState state = EndToEnd::readStoredState(m_db->location());
            const Saved saved = classify(state, before, after);
            QVERIFY2(saved != Saved::Other,
                     qPrintable(QStringLiteral("round %1 (%2 ms after start, killed: %3) left %4")
                                    .arg(round)
                                    .arg(run.endAt)
                                    .arg(run.killed)
                                    .arg(state.describe())));
            if (run.exitCode == 0)
                QVERIFY(saved == Saved::New);
            ++counts[int(saved)];
            if (saved != Saved::Old)
                restore(before);
        }
        qInfo("%d kills: %d left the old state, %d the new state", kills + 1,
              counts[int(Saved::Old)], counts[int(Saved::New)]);
        QVERIFY(counts[int(Saved::Old)] > 0);
    }

    void lockedDatabaseIsLeftAlone()
    {
        if (!sqlite())
            QSKIP("another connection's write lock makes PostgreSQL wait, not fail");
        // Without the demo's clash nothing but the store needs the database.
        setLocation(QStringLiteral("Inspectors\\Products\\WebBar"),
                    QStringLiteral("https://example.com/products"));
        const QString before = dump();
        AdminTool::Result result;
        {
            QSqlDatabase lock =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lock"));
            lock.setDatabaseName(m_db->location());
            QVERIFY(lock.open());
            QSqlQuery begin(lock);
            QVERIFY(begin.exec(QStringLiteral("BEGIN IMMEDIATE")));
            result = admin(
                {QStringLiteral("publish"), QStringLiteral("--language"), QStringLiteral("en")});
            QSqlQuery(QStringLiteral("ROLLBACK"), lock);
            lock.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("lock"));
        QVERIFY2(result.exitCode > 0, qPrintable(result.errors));
        QVERIFY2(result.errors.contains(QLatin1String("locked")) &&
                     result.errors.contains(m_db->location()),
                 qPrintable(result.errors));
        QCOMPARE(dump(), before);
    }

    void readOnlyDatabaseIsLeftAlone()
    {
        if (!sqlite())
            QSKIP("a write-protected database file is a SQLite case");
        QProcess first;
        QString reason;
        QVERIFY2(prepareUnprivileged(first, folder(QStringLiteral("tmp-user")), &reason),
                 qPrintable(reason));
        EndToEnd::giveToNobody(folder(QStringLiteral("tmp-user")));
        const auto writable =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther;
        // The same user publishes while the file is writable...
        QVERIFY(QFile::setPermissions(m_db->location(), writable));
        const PublishRun allowed = runPublish({}, 0, &first);
        QVERIFY2(allowed.exitCode == 0, qPrintable(allowed.errors));

        // ... and fails, changing nothing, once it is not.
        QVERIFY(QFile::setPermissions(m_db->location(), QFile::ReadOwner | QFile::ReadOther));
        const QString before = dump();
        QProcess second;
        QVERIFY(prepareUnprivileged(second, folder(QStringLiteral("tmp-user")), &reason));
        const PublishRun refused = runPublish({}, 0, &second);
        QVERIFY2(refused.exitCode > 0, qPrintable(refused.errors));
        QCOMPARE(dump(), before);
        QVERIFY2(refused.errors.contains(QLatin1String("read-only"), Qt::CaseInsensitive),
                 qPrintable(refused.errors));
    }

    void temporaryFolderFails_data()
    {
        QTest::addColumn<bool>("missing");
        QTest::newRow("TMPDIR names no folder") << true;
        QTest::newRow("TMPDIR is not writable") << false;
    }

    void temporaryFolderFails()
    {
        QFETCH(bool, missing);
        if (!sqlite())
            QSKIP("the temporary folder does not depend on the database");
        QCOMPARE(runPublish({}, 0).exitCode, 0);
        const QString before = dump();
        const QString tmpdir = m_db->folder() + QStringLiteral("/temporary");
        QProcess process;
        QString reason;
        QVERIFY2(prepareUnprivileged(process, tmpdir, &reason), qPrintable(reason));
        QFile::setPermissions(m_db->location(), QFile::ReadOwner | QFile::WriteOwner |
                                                    QFile::ReadOther | QFile::WriteOther);
        if (!missing) {
            QVERIFY(QDir().mkpath(tmpdir));
            QVERIFY(QFile::setPermissions(tmpdir, QFile::ReadOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
        }
        const PublishRun run = runPublish({}, 0, &process);
        QVERIFY2(run.exitCode > 0, qPrintable(run.output + run.errors));
        QCOMPARE(dump(), before);
        QVERIFY(!QFileInfo::exists(tmpdir) ||
                QDir(tmpdir).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
        QVERIFY2(run.errors.contains(QLatin1String("temporary folder")), qPrintable(run.errors));
        QVERIFY2(run.errors.contains(tmpdir), qPrintable(run.errors));
    }

    void linksInACircleEndThePublish()
    {
        if (!sqlite())
            QSKIP("the web folder's walk does not depend on the database");
        QCOMPARE(runPublish({}, 0).exitCode, 0);
        const auto entries = [this] {
            const AdminTool::Result shown = admin(
                {QStringLiteral("actionpads"), QStringLiteral("show"), QStringLiteral("--json")});
            return QJsonDocument::fromJson(shown.output.toUtf8())
                .object()
                .value(QStringLiteral("entries"));
        };
        const QJsonValue plain = entries();
        QVERIFY(QFile::link(QStringLiteral(".."), web() + QStringLiteral("/css/up")));
        QVERIFY(QFile::link(QStringLiteral("self"), web() + QStringLiteral("/js/self")));
        QVERIFY(QFile::link(web() + QStringLiteral("/customers"),
                            web() + QStringLiteral("/customers/images/back")));
        const PublishRun run = runPublish({}, 0);
        QVERIFY2(!run.killed && run.exitCode == 0, qPrintable(run.errors));
        QCOMPARE(entries(), plain);
    }

    void fileVanishingBeforeTheZip_data()
    {
        QTest::addColumn<QString>("hook");
        QTest::newRow("deleted once the preview reported it") << QStringLiteral("m_Previewer");
        QTest::newRow("deleted once the zip listed it") << QStringLiteral("m_Zipper");
    }

    void fileVanishingBeforeTheZip()
    {
        QFETCH(QString, hook);
        if (!sqlite())
            QSKIP("the archive's files do not depend on the database");
        // The host runs in the web folder, where relative locations start.
        const QString home = QDir::currentPath();
        const QByteArray tmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(folder(QStringLiteral("tmp-live"))));
        QDir::setCurrent(web());
        const auto restoreProcess = qScopeGuard([&] {
            QDir::setCurrent(home);
            qputenv("TMPDIR", tmpdir);
        });

        EndToEnd::LiveHost host(m_db->location());
        QCOMPARE(host.publish().outcome, QStringLiteral("published"));
        const StoredState before = EndToEnd::readStoredState(m_db->location());

        m_deleted = web() + QStringLiteral("/start.htm");
        host.watchChildren([&](QObject *child) {
            if (child->objectName() != hook)
                return;
            if (hook == QLatin1String("m_Previewer"))
                QVERIFY(EndToEnd::connectByName(child, "PreviewingFile", this, "onPreviewing"));
            else
                QVERIFY(EndToEnd::connectByName(child, "ZipPreprocessingFile", this,
                                                "onPreprocessing"));
        });
        const EndToEnd::LiveHost::Run run = host.publish();
        QVERIFY(m_didDelete);
        const StoredState after = EndToEnd::readStoredState(m_db->location());
        QCOMPARE(QDir(folder(QStringLiteral("tmp-live"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList());

        QVERIFY2(run.outcome != QLatin1String("published"), qPrintable(after.describe()));
        QCOMPARE(after.describe(), before.describe());
        QVERIFY2(!run.messages.filter(QStringLiteral("start.htm")).isEmpty(),
                 qPrintable(run.messages.join(u'\n')));
    }
};

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    tst_PublishFaults test;
    return DravoTest::runOnBackends(test, argc, argv);
}

#include "tst_publishfaults.moc"
