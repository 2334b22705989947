// "actionpads show", "extract" and "verify" over archives made by Info-ZIP's zip and
// stored directly; "show --json" and a publish through the add-in: tests/endtoend.
#include "admintool.h"

#include "../datarows.h"

#include "dravo/actionpadstore.h"
#include "dravo/servercache.h"

#include <QCryptographicHash>
#include <QProcess>

#include <sys/stat.h>

using namespace Corvane;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_ActionPadsCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<AdminTool::Demo> m_demo;
    QString m_archive;

    AdminTool::Result admin(const QStringList &arguments) const { return m_demo->admin(arguments); }

private slots:
    void initTestCase()
    {
        DRAVO_REQUIRE_BACKEND();
        m_demo = std::make_unique<AdminTool::Demo>();
        QVERIFY2(m_demo->init.exitCode == 0, qPrintable(m_demo->init.errors));
        // An archive of the demo's web folder, stored as a publish would store it.
        m_archive = m_demo->folder() + "/pads.zip";
        int exitCode = -1;
        AdminTool::runTool("zip", {"-q", "-r", "-X", m_archive, "."}, m_demo->web(), &exitCode);
        QCOMPARE(exitCode, 0);
        const std::unique_ptr<Dravo::Engine> engine = Dravo::Engine::open(m_demo->location());
        Dravo::ActionPadStore(*engine).save(
            m_archive, {{"defaultactionpad", "start.htm"}, {"overviewactionpad", "übersicht.htm"}});
        Dravo::ServerCache(*engine).refresh();
        Dravo::ServerCache(*engine).refresh();
    }

    void cleanupTestCase() { m_demo.reset(); }

    void showSummarisesTheArchive()
    {
        const int entries = AdminTool::runTool("zipinfo", {"-1", m_archive}).count('\n');
        QVERIFY(entries >= 12);
        const AdminTool::Result text = admin({"actionpads", "show"});
        QCOMPARE(text.exitCode, 0);
        const QString sha256 =
            QCryptographicHash::hash(readAll(m_archive), QCryptographicHash::Sha256).toHex();
        for (const QString &line : {QStringLiteral("Archive: %1 bytes, %2 entries\n")
                                        .arg(QFileInfo(m_archive).size())
                                        .arg(entries),
                                    QStringLiteral("SHA-256: %1\n").arg(sha256),
                                    QStringLiteral("  overviewactionpad = übersicht.htm\n"),
                                    QStringLiteral("Cache generation: 2\n")})
            QVERIFY2(text.output.contains(line), qPrintable(text.output));
    }

    void extractWritesTheStoredBytes()
    {
        const QString target = m_demo->folder() + "/extracted.zip";
        QFile stale(target);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("an older file that the extract replaces");
        stale.close();
        QCOMPARE(admin({"actionpads", "extract", target}).exitCode, 0);
        QCOMPARE(readAll(target), readAll(m_archive));

        // "-" is standard output, byte for byte.
        QProcess toPipe;
        toPipe.start(AdminTool::program(),
                     {"actionpads", "extract", "-", "--database", m_demo->location()});
        QVERIFY(toPipe.waitForFinished());
        QCOMPARE(toPipe.exitCode(), 0);
        QCOMPARE(toPipe.readAllStandardOutput(), readAll(m_archive));
    }

    // Only regular files are written: a FIFO, a folder or a link to either stays as it was.
    void extractRefusesWhatIsNoRegularFile_data()
    {
        DataRows::columns<QString, QString>({"kind", "fragment"});
        DataRows::row("a FIFO", "fifo", "is not a regular file");
        DataRows::row("a folder", "folder", "is a folder");
        DataRows::row("a link to a FIFO", "link", "is not a regular file");
    }

    void extractRefusesWhatIsNoRegularFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, fragment);
        const QString target = m_demo->folder() + "/target-" + kind;
        const QString fifo = m_demo->folder() + "/target-fifo";
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
        DataRows::columns<QString, int, QString>({"damage", "exitCode", "fragment"});
        DataRows::row("none", "", 0, "is sound: ");
        DataRows::row("a bit flipped in a stored chunk", "flip", 1,
                      "do not match the SHA-256 stored with it");
        DataRows::row("an entry damaged before it was stored", "entry", 1,
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

DRAVO_TEST_MAIN(tst_ActionPadsCommands)
#include "tst_actionpadscommands.moc"
