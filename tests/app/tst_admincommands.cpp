// corvane-admin run as a process: init --demo, settings, bad input (one line on standard
// error, the database as it was), and "actionpads extract" and "verify" over archives made by
// Info-ZIP's zip and stored directly ("show --json" and a publish through the add-in:
// tests/endtoend).
#include "admintool.h"

#include "../datarows.h"

#include "dravo/actionpadstore.h"

#include <QDir>
#include <QJsonDocument>
#include <QProcess>
#include <QScopeGuard>

#include <sys/stat.h>

using namespace Corvane;
using namespace DataRows;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_AdminCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<AdminTool::Demo> m_demo;
    std::unique_ptr<AdminTool::Demo> m_stored; // with an archive of its web folder stored
    QString m_archive;

    AdminTool::Result admin(const QStringList &arguments) const
    {
        return m_stored->admin(arguments);
    }

private slots:
    void initTestCase()
    {
        DRAVO_REQUIRE_BACKEND();
        m_demo = std::make_unique<AdminTool::Demo>();
        m_stored = std::make_unique<AdminTool::Demo>();
        for (const AdminTool::Demo *demo : {m_demo.get(), m_stored.get()})
            QVERIFY2(demo->init.exitCode == 0 && demo->init.errors.isEmpty(),
                     qPrintable(demo->init.errors));
        // An archive of the demo's web folder, stored as a publish would store it.
        m_archive = m_stored->folder() + "/pads.zip";
        int exitCode = -1;
        AdminTool::runTool("zip", {"-q", "-r", "-X", m_archive, "."}, m_stored->web(), &exitCode);
        QCOMPARE(exitCode, 0);
        const std::unique_ptr<Dravo::Engine> engine = Dravo::Engine::open(m_stored->location());
        Dravo::ActionPadStore(*engine).save(
            m_archive, {{"defaultactionpad", "start.htm"}, {"overviewactionpad", "übersicht.htm"}});
    }

    void settingsGetAndSet_data()
    {
        columns<QString, QString, QString>({"path", "set", "got"}); // {web}: the web folder
        row("file with a query part", "Inspectors\\Customers\\WebBar", "",
            "{web}/customers/index.htm?tab=2");
        row("overview, non-ASCII name", "Overview", "", "{web}/übersicht.htm");
        row("table without action pad", "Inspectors\\Archive\\WebBar", "", "");
        row("a new node", "Inspectors\\Lieferanten\\WebBar", "lieferanten/Ü.htm?a=1&b=2",
            "lieferanten/Ü.htm?a=1&b=2");
    }

    void settingsGetAndSet()
    {
        QFETCH(QString, path);
        QFETCH(QString, set);
        QFETCH(QString, got);
        if (!set.isEmpty())
            QCOMPARE(m_demo->admin({"settings", "set", path, "URL", set}).exitCode, 0);
        const AdminTool::Result result = m_demo->admin({"settings", "get", path, "URL"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.output, got.replace("{web}", m_demo->web()) + '\n');
        QVERIFY(result.errors.isEmpty());
    }

    void badInputChangesNothing_data()
    {
        // The arguments as words ({db} the database, {missing} one that does not exist,
        // {scratch} the test's folder) and a part of the one error line.
        columns<QString, QString>({"arguments", "fragment"});
        const bool sqlite = DravoTest::backend() == DravoTest::Backend::Sqlite;
        row("missing database", "settings set X Y 1 --database {missing}",
            sqlite ? "does not exist" : "");
        row("unknown command", "frobnicate --database {db}", "unknown command \"frobnicate\"");
        row("duplicate table id", "table add Foo --id 1 --database {db}",
            "already taken by \"Customers\"");
        row("missing argument", "settings set X Y --database {db}", "needs VALUE");
        row("no database named", "settings get WebBar URL", "--database");
        row("demo into a database that has tables",
            "init --demo --web-folder {scratch}/web2 --database {db}", "already holds tables");
        row("database that is a folder", "settings get WebBar URL --database {scratch}",
            "is a folder");
        row("extract before anything is published",
            "actionpads extract {scratch}/out.zip --database {db}",
            "publish the action pads first");
    }

    void badInputChangesNothing()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, fragment);
        const QString db = m_demo->location();
        const QString missing = DravoTest::backend() == DravoTest::Backend::Sqlite
                                    ? m_demo->folder() + "/missing.sqlite"
                                    : db.left(db.lastIndexOf('/')) + "/corvane_no_such_db";
        QStringList argv = words(arguments);
        argv.replaceInStrings("{db}", db).replaceInStrings("{missing}", missing);
        argv.replaceInStrings("{scratch}", m_demo->folder());
        const QString before = AdminTool::databaseState(db);

        const AdminTool::Result result = AdminTool::run(argv);
        QVERIFY(result.exitCode > 0);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY2(result.errors.startsWith("corvane-admin: "), qPrintable(result.errors));
        QVERIFY2(result.errors.contains(fragment), qPrintable(result.errors));
        QVERIFY(result.output.isEmpty());
        QCOMPARE(AdminTool::databaseState(db), before);
        for (const char *made : {"/missing.sqlite", "/out.zip", "/web2"})
            QVERIFY(!QFileInfo::exists(m_demo->folder() + made));
    }

    void publishWithoutTheAddin()
    {
        // A copy of the program outside the build tree has no add-in folder beside it, and
        // the one the user names is empty.
        QTemporaryDir emptyAddinFolder, elsewhere;
        QVERIFY(QDir(elsewhere.path()).mkdir("bin"));
        QVERIFY(QFile::copy(AdminTool::program(), elsewhere.filePath("bin/corvane-admin")));
        const QByteArray binFolder = qgetenv("CORVANE_BIN_DIR");
        const auto restore = qScopeGuard([&] { qputenv("CORVANE_BIN_DIR", binFolder); });
        qputenv("CORVANE_BIN_DIR", QFile::encodeName(elsewhere.filePath("bin")));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("CORVANE_ADDIN_DIR", emptyAddinFolder.path());
        const QString before = AdminTool::databaseState(m_demo->location());
        const AdminTool::Result result = m_demo->admin({"publish"}, environment);
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY2(result.errors.contains("no configuration page publishes action pads"),
                 qPrintable(result.errors));
        QCOMPARE(AdminTool::databaseState(m_demo->location()), before);
    }

    void extractWritesTheStoredBytes()
    {
        const QString target = DravoTest::writeFile(m_stored->folder(), "extracted.zip",
                                                    "an older file that the extract replaces");
        QCOMPARE(admin({"actionpads", "extract", target}).exitCode, 0);
        QCOMPARE(readAll(target), readAll(m_archive));

        // "-" is standard output, byte for byte.
        QProcess toPipe;
        toPipe.start(AdminTool::program(),
                     {"actionpads", "extract", "-", "--database", m_stored->location()});
        QVERIFY(toPipe.waitForFinished());
        QCOMPARE(toPipe.exitCode(), 0);
        QCOMPARE(toPipe.readAllStandardOutput(), readAll(m_archive));
    }

    // Only regular files are written: a FIFO, a folder or a link to either stays as it was.
    void extractRefusesWhatIsNoRegularFile_data()
    {
        columns<QString, QString>({"kind", "fragment"});
        row("a FIFO", "fifo", "is not a regular file");
        row("a folder", "folder", "is a folder");
        row("a link to a FIFO", "link", "is not a regular file");
    }

    void extractRefusesWhatIsNoRegularFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, fragment);
        const QString target = m_stored->folder() + "/target-" + kind;
        const QString fifo = m_stored->folder() + "/target-fifo";
        if (!QFileInfo::exists(fifo))
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        if (kind == "folder")
            QVERIFY(QDir().mkpath(target));
        if (kind == "link")
            QVERIFY(QFile::link(fifo, target));
        const AdminTool::Result result = admin({"actionpads", "extract", target});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY2(result.errors.contains(fragment), qPrintable(result.errors));
        QVERIFY(QFileInfo(fifo).isFile() == false && QFileInfo(fifo).exists());
        QCOMPARE(QFileInfo(target).isSymLink(), kind == "link");
        QCOMPARE(QFileInfo(target).isDir(), kind == "folder");
    }

    // verify reads every stored byte and every entry; extract refuses what verify finds damaged.
    void verifyFindsDamage_data()
    {
        columns<QString, int, QString>({"damage", "exitCode", "fragment"});
        row("none", "", 0, "is sound: ");
        row("a bit flipped in a stored chunk", "flip", 1,
            "do not match the SHA-256 stored with it");
        row("an entry damaged before it was stored", "entry", 1,
            "1 of its 2 entries fail their check (b.txt: CRC error)");
    }

    void verifyFindsDamage()
    {
        QFETCH(QString, damage);
        QFETCH(int, exitCode);
        QFETCH(QString, fragment);
        DravoTest::ScratchDatabase db;
        const QString files = db.folder() + "/files";
        QDir().mkpath(files);
        DravoTest::writeFile(files, "a.txt", DravoTest::randomBytes(3000, 1));
        DravoTest::writeFile(files, "b.txt", "the second entry, stored as it is\n");
        int zipExit = -1;
        AdminTool::runTool("zip", {"-q", "-0", "-X", "../pads.zip", "a.txt", "b.txt"}, files,
                           &zipExit);
        QCOMPARE(zipExit, 0);
        QByteArray bytes = readAll(db.folder() + "/pads.zip");
        if (damage == "entry")
            bytes.replace("stored as it is", "stored as it IS");
        const QString archive = DravoTest::writeFile(db.folder(), "stored.zip", bytes);
        Dravo::ActionPadStore(*Dravo::Engine::create(db.location())).save(archive, {});
        if (damage == "flip")
            DravoTest::flipStoredBit(db.location(), 0, 100);

        const AdminTool::Result verified =
            AdminTool::run({"actionpads", "verify", "--database", db.location()});
        QCOMPARE(verified.exitCode, exitCode);
        QVERIFY2((exitCode == 0 ? verified.output : verified.errors).contains(fragment),
                 qPrintable(verified.output + verified.errors));
        QCOMPARE(verified.errorLines().size(), exitCode == 0 ? 0 : 1);

        const QString target = db.folder() + "/extracted.zip";
        const AdminTool::Result extracted =
            AdminTool::run({"actionpads", "extract", target, "--database", db.location()});
        QCOMPARE(extracted.exitCode, damage == "flip" ? 1 : 0);
        QCOMPARE(QFileInfo::exists(target), damage != "flip");
    }
};

DRAVO_TEST_MAIN(tst_AdminCommands)
#include "tst_admincommands.moc"
