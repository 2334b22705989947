#include "platform/debugoutput.h"
#include "tests/datarows.h"
#include "zip/zipcomponent.h"
#include "ziptestsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <optional>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Corvane::Zip;
using namespace ZipTest;

namespace {

constexpr int Timeout = 60000;

// sFilename, sSourceFilename, bExcluded and xMethod of ZipPreprocessingFile.
using Preprocess = std::function<void(QString *name, const QString &source, bool *excluded)>;
using namespace DataRows;

void onPreprocess(ZipComponent *zip, Preprocess handler, QList<int> *methods = nullptr)
{
    QObject::connect(zip, &ZipComponent::ZipPreprocessingFile, zip,
                     [=](QString *sFilename, const QString &, const QString &sSourceFilename,
                         qint64, qint32, const QDateTime &, const QDateTime &, const QDateTime &,
                         qint32 xMethod, bool, const QString &, bool *bExcluded, qint32, bool) {
                         handler(sFilename, sSourceFilename, bExcluded);
                         if (methods)
                             methods->append(xMethod);
                     });
}

// Threads started while it lives reach files as the user "nobody" (fsuid 65534), whom
// permissions stop: root would read anything. The test's own thread is root again at its end.
class ThreadsStartAsNobody final
{
public:
    ThreadsStartAsNobody()
    {
        if (geteuid() == 0) {
            setfsgid(65534);
            setfsuid(65534);
        }
    }
    ~ThreadsStartAsNobody()
    {
        if (geteuid() == 0) {
            setfsuid(0);
            setfsgid(0);
        }
    }
    Q_DISABLE_COPY_MOVE(ThreadsStartAsNobody)
};

} // namespace

class TestZipComponent : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_debug.clear();
        Corvane::Platform::setDebugOutputSink([this](const QByteArray &text) { m_debug += text; });
    }

    void cleanup()
    {
        Corvane::Platform::setDebugOutputSink({});
        m_dir.reset();
    }

    void previewListsFiles_data()
    {
        // list: %1 stands for the test folder; sources: below the test folder
        columns<QString, QStringList, QString>({"list", "sources", "debugLine"});
        const auto in = [](const QString &folder, QStringList names) {
            for (QString &name : names)
                name.prepend(folder + u'/');
            return names;
        };
        row("folder as listed, hidden files, name order", "|%1/web pads/*",
            in("web pads", {".hidden.css", "Zeta.js", "img/Logo.PNG", "img/ünï cödé.gif",
                            "index.htm", "sub dir/deeper/x.js", "sub dir/page.htm"}),
            "");
        row("single file as spelled in the list", "|%1/web pads/INDEX.HTM",
            in("web pads", {"INDEX.HTM"}), "");
        row("pattern matched without regard to case", "|%1/Web Pads/*.HTM",
            in("Web Pads", {"index.htm", "sub dir/page.htm"}), "");
        row("bare folder as if joined with *", "|%1/Web Pads/img",
            in("Web Pads/img", {"Logo.PNG", "ünï cödé.gif"}), "");
        row("entries in list order, empty ones dropped, nested folder reported twice",
            "||%1/Web Pads/sub dir/deeper/*|%1/Web Pads/sub dir/*||%1/Web Pads/img/*|",
            in("Web Pads", {"sub dir/deeper/x.js", "sub dir/deeper/x.js", "sub dir/page.htm",
                            "img/Logo.PNG", "img/ünï cödé.gif"}),
            "");
        row("missing folder named in the debug output",
            "|%1/No Such Pads/*|%1/Web Pads/sub dir/deeper/*",
            in("Web Pads", {"sub dir/deeper/x.js"}),
            "zip: nothing found for \"%1/No Such Pads/*\"\n");
        row("empty list", "", QStringList(), "");
    }

    void previewListsFiles()
    {
        QFETCH(QString, list);
        QFETCH(QStringList, sources);
        QFETCH(QString, debugLine);
        makeWebTree();
        const QString root = m_dir->path();
        ZipComponent zip;
        zip.setFilesToProcess(list.replace("%1", root));
        zip.setIncludeSubfolders(true);
        zip.setPreservePaths(true);
        QSignalSpy completed(&zip, &ZipComponent::ProcessCompleted);
        const Previewed previewed = preview(zip);
        QStringList names;
        for (QString &source : sources) {
            source.prepend(root + u'/');
            names.append(source.mid(1));
        }
        QCOMPARE(previewed.sources, sources);
        QCOMPARE(previewed.names, names);
        QCOMPARE(completed.count(), 1);
        QCOMPARE(completed.at(0).at(0).toInt(), sources.size());     // lFilesTotal
        QCOMPARE(completed.at(0).at(8).toInt(), ZipResult::Success); // xResult
        QCOMPARE(QString::fromUtf8(m_debug), debugLine.replace("%1", root));
    }

    void linkLoopsAreWalkedOnce()
    {
        makeWebTree();
        QVERIFY(QFile::link("..", path("Web Pads/sub dir/loop")));
        QVERIFY(QFile::link(path("Web Pads/sub dir"), path("Web Pads/again")));
        QVERIFY(QFile::link(path("Web Pads/index.htm"), path("Web Pads/start.htm")));
        QVERIFY(QFile::link(path("Web Pads/gone.htm"), path("Web Pads/dangling.htm")));
        ZipComponent zip;
        zip.setFilesToProcess("|" + path("Web Pads") + "/*");
        zip.setIncludeSubfolders(true);
        // "again" leads to "sub dir" first (name order); "sub dir" itself and the loop back
        // are then skipped; a link to a file is followed, a dangling one is not reported.
        const QString top = path("Web Pads") + "/";
        QCOMPARE(preview(zip).sources,
                 (QStringList{top + ".hidden.css", top + "Zeta.js", top + "again/deeper/x.js",
                              top + "again/page.htm", top + "img/Logo.PNG",
                              top + "img/ünï cödé.gif", top + "index.htm", top + "start.htm"}));
        QVERIFY2(m_debug.contains("sub dir\" leads to a folder walked already"), m_debug);
    }

    void walkReachesOnlyWhatItMay_data()
    {
        // fault: what the tree gets besides makeWebTree(); list: %1 the test folder; added:
        // sources besides the tree's (below the test folder); skipped: "link -> target"; error:
        // a part of lastError() when the preview fails (ReadError).
        columns<QString, QString, QStringList, QStringList, QString>(
            {"fault", "list", "added", "skipped", "error"});
        const QString pads = "|%1/Web Pads/*";
        row("links leading out of the listed folders are left out and listed", "out", pads,
            QStringList{},
            QStringList{"Web Pads/etc -> outside", "Web Pads/secret.txt -> outside/secret.txt"},
            "");
        row("a link into a folder allowed for links is followed", "shared", pads,
            QStringList{"Web Pads/common/site.css"}, QStringList{}, "");
        row("a link into another listed folder is followed", "across",
            "|%1/Web Pads/img/*|%1/Web Pads/sub dir/*", QStringList{"Web Pads/img/page.htm"},
            QStringList{}, "");
        row("pipes, sockets and devices are never opened", "special", pads, QStringList{},
            QStringList{}, "");
        row("a folder that cannot be listed fails the walk", "closed folder", pads, QStringList{},
            QStringList{}, "Cannot read the folder \"%1/Web Pads/sub dir/\" (Permission denied)");
        row("a name that is not UTF-8 fails the walk, its bytes escaped", "latin1", pads,
            QStringList{}, QStringList{},
            "The name of the file \"caf\\xE9 \\x01.htm\" in the folder \"%1/Web Pads/img/\" "
            "is not valid UTF-8");
    }

    void walkReachesOnlyWhatItMay()
    {
        QFETCH(QString, fault);
        QFETCH(QString, list);
        QFETCH(QStringList, added);
        QFETCH(QStringList, skipped);
        QFETCH(QString, error);
        makeWebTree();
        writeFile(path("outside/secret.txt"), "root:x:0:0");
        writeFile(path("shared/site.css"), "body {}");
        const QString top = path("Web Pads") + "/";
        if (fault == "out") {
            QVERIFY(QFile::link(path("outside"), top + "etc"));
            QVERIFY(QFile::link("../outside/secret.txt", top + "secret.txt"));
        } else if (fault == "shared") {
            QVERIFY(QFile::link("../shared", top + "common"));
        } else if (fault == "across") {
            QVERIFY(QFile::link("../sub dir/page.htm", top + "img/page.htm"));
        } else if (fault == "special") {
            QCOMPARE(mkfifo(QFile::encodeName(top + "pipe.htm").constData(), 0644), 0);
            QVERIFY(QFile::link("/dev/zero", top + "zero.htm"));
        } else if (fault == "closed folder") {
            QVERIFY(QFile::setPermissions(top + "sub dir", {}));
        }
        // Qt cannot name this file to remove it: it goes by its bytes.
        const QByteArray oddName = QFile::encodeName(top + "img/") + "caf\xe9 \x01.htm";
        const auto removeOdd = qScopeGuard([&] { ::unlink(oddName.constData()); });
        if (fault == "latin1") {
            FILE *file = fopen(oddName.constData(), "w");
            QVERIFY(file);
            fclose(file);
        }
        QVERIFY(QFile::setPermissions(m_dir->path(), QFileDevice::Permissions(0x7777)));
        ZipComponent zip;
        zip.setFilesToProcess(list.replace("%1", m_dir->path()));
        zip.setIncludeSubfolders(true);
        zip.setLinkFolders({path("shared")});
        QSignalSpy completed(&zip, &ZipComponent::ProcessCompleted);
        QStringList sources;
        connect(&zip, &ZipComponent::PreviewingFile, &zip,
                [&](const QString &, const QString &source) {
                    sources.append(source.mid(m_dir->path().size() + 1));
                });
        {
            ThreadsStartAsNobody nobody;
            QCOMPARE(zip.Preview(false), ZipResult::Success);
        }
        QTRY_COMPARE_WITH_TIMEOUT(completed.count(), 1, Timeout);
        QFile::setPermissions(top + "sub dir", QFileDevice::Permissions(0x7700));
        for (QString &link : skipped)
            link = path(link.section(" -> ", 0, 0)) + " -> " +
                   QFileInfo(path(link.section(" -> ", 1))).canonicalFilePath();
        QCOMPARE(zip.skippedLinks(), skipped);
        if (!error.isEmpty()) {
            QCOMPARE(completed.at(0).at(8).toInt(), ZipResult::ReadError);
            QVERIFY2(zip.lastError().contains(error.replace("%1", m_dir->path())),
                     qPrintable(zip.lastError()));
            return;
        }
        QCOMPARE(completed.at(0).at(8).toInt(), ZipResult::Success);
        QStringList expected =
            fault == "across"
                ? QStringList{"Web Pads/img/Logo.PNG", "Web Pads/img/page.htm",
                              "Web Pads/img/ünï cödé.gif", "Web Pads/sub dir/deeper/x.js",
                              "Web Pads/sub dir/page.htm"}
                : QStringList{"Web Pads/.hidden.css",     "Web Pads/Zeta.js",
                              "Web Pads/img/Logo.PNG",    "Web Pads/img/ünï cödé.gif",
                              "Web Pads/index.htm",       "Web Pads/sub dir/deeper/x.js",
                              "Web Pads/sub dir/page.htm"};
        if (fault != "across")
            expected += added;
        expected.sort();
        sources.sort();
        QCOMPARE(sources, expected);
    }

    void zipStoresWhatHandlersLeave()
    {
        makeWebTree();
        const QString folder = path("Web Pads");
        ZipComponent zip;
        prepare(zip, folder);
        zip.setPreservePaths(true);
        // Unsafe names are cut down (an unusable one falls back to the default name); names
        // compare exactly, and of two equal ones the first is kept.
        const QHash<QString, QString> renames{{".hidden.css", "./.."},
                                              {"Zeta.js", "js\\Zeta.js"},
                                              {"img/Logo.PNG", "/abs/Logo.PNG"},
                                              {"index.htm", "../../etc/index.htm"},
                                              {"sub dir/deeper/x.js", "ETC/index.htm"},
                                              {"sub dir/page.htm", "etc//index.htm"}};
        QList<int> methods;
        onPreprocess(
            &zip,
            [&](QString *name, const QString &source, bool *) {
                *name = source.mid(folder.size() + 1);
                *name = renames.value(*name, *name);
            },
            &methods);
        const QList<QVariant> completed = zipToEnd(zip);
        QCOMPARE(completed.mid(0, 3), (QVariantList{7, 6, 1})); // total, processed, skipped
        QCOMPARE(completed.at(6).toLongLong(), QFileInfo(zip.archivePath()).size());
        QCOMPARE(completed.value(8).toInt(), ZipResult::Success);
        QCOMPARE(QString::fromUtf8(m_debug),
                 QString("zip: left out \"%1\": the archive holds \"etc/index.htm\" already\n")
                     .arg(folder + "/sub dir/page.htm"));

        const ToolResult test = run("unzip", {"-t", zip.archivePath()});
        QVERIFY2(test.exitCode == 0, qPrintable(test.output));
        const Archive archive = readArchive(zip.archivePath());
        QVERIFY2(archive.valid, qPrintable(archive.problem));
        QCOMPARE(archive.names(),
                 (QStringList{folder.mid(1) + "/.hidden.css", "js/Zeta.js", "abs/Logo.PNG",
                              "img/ünï cödé.gif", "etc/index.htm", "ETC/index.htm"}));
        // Images are stored as they are, text deflated, as the event announced.
        QCOMPARE(methods, (QList<int>{8, 8, 0, 0, 8, 8, 8}));
        const QStringList sources{".hidden.css",      "Zeta.js",   "img/Logo.PNG",
                                  "img/ünï cödé.gif", "index.htm", "sub dir/deeper/x.js"};
        for (qsizetype i = 0; i < archive.entries.size(); ++i) {
            const Entry &entry = archive.entries[i];
            QFile source(folder + "/" + sources[i]);
            QVERIFY(source.open(QIODevice::ReadOnly));
            QVERIFY2(entry.data == source.readAll(), qPrintable(entry.name));
            QCOMPARE(entry.method, methods[i]);
            QCOMPARE(entry.flags & 0x800, entry.name.contains(u'ü') ? 0x800 : 0); // UTF-8 name
        }
    }

    void emptyArchive_data()
    {
        columns<QString, bool>({"list", "excludeAll"});
        QTest::newRow("empty list") << QString() << false;
        QTest::newRow("folder without files") << "|%1/nothing/*" << false;
        QTest::newRow("every file excluded") << "|%1/Web Pads/*" << true;
    }

    void emptyArchive()
    {
        QFETCH(QString, list);
        QFETCH(bool, excludeAll);
        makeWebTree();
        QDir().mkpath(path("nothing"));
        ZipComponent zip;
        prepare(zip, QString());
        zip.setFilesToProcess(list.replace("%1", m_dir->path()));
        onPreprocess(&zip,
                     [=](QString *, const QString &, bool *excluded) { *excluded = excludeAll; });
        QSignalSpy status(&zip, &ZipComponent::GlobalStatus);
        const QList<QVariant> completed = zipToEnd(zip);
        QCOMPARE(completed.value(8).toInt(), ZipResult::Success);
        QCOMPARE(completed.at(1).toInt(), 0);
        QCOMPARE(QFileInfo(zip.archivePath()).size(), 22);
        QVERIFY(!status.isEmpty());
        QCOMPARE(status.last().at(7).toInt(), 100);
        // Info-ZIP accepts it, and says it is empty (unzip -t then exits with 1).
        const ToolResult info = run("zipinfo", {zip.archivePath()});
        QVERIFY2(info.output.contains("Empty zipfile"), qPrintable(info.output));
        const ToolResult test = run("unzip", {"-t", zip.archivePath()});
        QVERIFY2(test.output.contains("zipfile is empty"), qPrintable(test.output));
    }

    void failuresLeaveTheArchiveFile_data()
    {
        columns<QString, int>({"fault", "result"});
        QTest::newRow("a file replaced by a folder") << "folder" << ZipResult::ReadError;
        QTest::newRow("a file deleted, archive file with content")
            << "gone" << ZipResult::ReadError;
        QTest::newRow("a file that cannot be read") << "closed" << ZipResult::ReadError;
        QTest::newRow("archive folder missing") << "no folder" << ZipResult::WriteError;
        QTest::newRow("no ArchivePath") << "no path" << ZipResult::WriteError;
    }

    void failuresLeaveTheArchiveFile()
    {
        QFETCH(QString, fault);
        makeWebTree();
        const QString victim = path("Web Pads/sub dir/page.htm");
        const QByteArray before = fault == "gone" ? "previous content" : "";
        ZipComponent zip;
        prepare(zip, path("Web Pads"), before);
        if (fault.startsWith("no "))
            zip.setArchivePath(fault == "no path" ? QString() : path("missing folder/a.zip"));
        if (fault == "closed")
            QVERIFY(QFile::setPermissions(victim, {}));
        onPreprocess(&zip, [&](QString *, const QString &source, bool *) {
            if (source == victim && fault != "closed" && QFile::remove(victim) && fault == "folder")
                QDir().mkpath(victim);
        });
        // The worker reads as a user whom permissions stop; it writes into folders open to all.
        for (const QString &folder : {m_dir->path(), path("out")})
            QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x7777)));
        QFile::setPermissions(path("out/tmpArchive"), QFileDevice::Permissions(0x6666));
        std::optional<ThreadsStartAsNobody> nobody;
        if (fault == "closed")
            nobody.emplace();
        QTEST(zipToEnd(zip).value(8).toInt(), "result");
        nobody.reset();
        const QString names = fault == "no path"     ? QString("ArchivePath")
                              : fault == "no folder" ? zip.archivePath()
                                                     : "\"" + victim + "\"";
        QVERIFY2(zip.lastError().contains(names), qPrintable(zip.lastError()));
        QVERIFY2(m_debug.contains(names.toUtf8()), m_debug);
        QVERIFY(!QFileInfo::exists(path("missing folder")));
        expectArchiveFile(before);
    }

    // Output is buffered and libzip goes back to each entry's header: entries
    // larger than the buffer between small ones, written into a file whose
    // permissions stay, with nothing left beside it.
    void bigEntriesBetweenSmallOnesReadBack()
    {
        const QHash<QString, QByteArray> files{{"pads/a.htm", pageText(3, 20)},
                                               {"pads/b.bin", randomBytes(3 << 20)},
                                               {"pads/c.htm", "c"},
                                               {"pads/d.txt", pageText(4, 40000)},
                                               {"pads/e.js", "var e;"}};
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            writeFile(path(it.key()), it.value());
        ZipComponent zip;
        prepare(zip, path("pads"));
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(zip.archivePath(), mode));
        QCOMPARE(zipToEnd(zip).value(8).toInt(), int(ZipResult::Success));

        const ToolResult tested = run("unzip", {"-tq", zip.archivePath()});
        QVERIFY2(tested.exitCode == 0, qPrintable(tested.output));
        const Archive archive = readArchive(zip.archivePath());
        QVERIFY2(archive.valid, qPrintable(archive.problem));
        QCOMPARE(archive.entries.size(), files.size());
        for (const Entry &entry : archive.entries)
            QCOMPARE(entry.data, files.value("pads/" + entry.name));
        QCOMPARE(QFile::permissions(zip.archivePath()) & 0x7077, mode); // owner, group, other
        QCOMPARE(filesIn(path("out")), QStringList{"tmpArchive"});
    }

    // With the options on construction (all four): Unix mode, local time, UTC time stamps.
    void entriesCarryModeAndTimes()
    {
        const QString file = path("pads/page.htm");
        writeFile(file, "page");
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        const QDateTime modified = QDateTime::fromSecsSinceEpoch(1600000000); // 2020-09-13
        {
            QFile handle(file);
            QVERIFY(handle.open(QIODevice::ReadWrite));
            QVERIFY(handle.setFileTime(modified, QFile::FileModificationTime));
        }
        ZipComponent zip;
        QCOMPARE(zip.metadataOptions(), MetadataOption::All);
        prepare(zip, path("pads"));
        QCOMPARE(zipToEnd(zip).value(8).toInt(), ZipResult::Success);

        const Archive archive = readArchive(zip.archivePath());
        QCOMPARE(archive.entries.size(), 1);
        const Entry &entry = archive.entries[0];
        QCOMPARE(entry.system, 3);
        QCOMPARE(entry.external >> 16, 0100640u);
        // The MS-DOS field holds local time in two-second steps.
        QVERIFY2(qAbs(entry.dosTime.secsTo(modified)) <= 1, qPrintable(entry.dosTime.toString()));
        const qsizetype at = entry.centralExtra.indexOf(QByteArray("UT\x05\x00", 4));
        QVERIFY(at >= 0);
        const auto *time = reinterpret_cast<const uchar *>(entry.centralExtra.constData() + at + 5);
        QCOMPARE(qint64(time[0] | time[1] << 8 | time[2] << 16 | quint32(time[3]) << 24),
                 modified.toSecsSinceEpoch());
        const ToolResult details = run("zipinfo", {"-v", zip.archivePath()});
        QVERIFY(details.output.contains("local extra field has UTC/GMT modification/access times"));
    }

    void eventsComeInOrderOnTheOwnersThread()
    {
        for (int i = 0; i < 40; ++i)
            writeFile(path(QString("pads/page%1.htm").arg(i, 2, 10, QChar('0'))),
                      pageText(i, 2000));
        ZipComponent zip;
        prepare(zip, path("pads"));
        QStringList events;
        QList<int> percents;
        bool offThread = false;
        const auto note = [&](const QString &event) {
            offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
            events.append(event);
        };
        connect(&zip, &ZipComponent::PreviewingFile, &zip, [&] { note("previewing"); });
        connect(&zip, &ZipComponent::ZipPreprocessingFile, &zip, [&] { note("preprocessing"); });
        connect(&zip, &ZipComponent::GlobalStatus, &zip,
                [&](qint32, qint32, qint32, qint16, qint64, qint64, qint64, qint16 nBytesPercent) {
                    note("status");
                    percents.append(nBytesPercent);
                });
        connect(&zip, &ZipComponent::ProcessCompleted, &zip, [&] { note("completed"); });

        QSignalSpy completed(&zip, &ZipComponent::ProcessCompleted);
        QCOMPARE(zip.Preview(false), ZipResult::Success);
        QVERIFY(events.isEmpty()); // events come from the event loop, never inside the call
        QTRY_COMPARE_WITH_TIMEOUT(completed.count(), 1, Timeout);
        QCOMPARE(events, QStringList(40, "previewing") << "completed");

        events.clear();
        QCOMPARE(zip.Zip(), ZipResult::Success);
        QVERIFY(zip.isBusy()); // one operation at a time, the refused ones raise nothing
        QCOMPARE(zip.Preview(false), ZipResult::Busy);
        QCOMPARE(zip.Zip(), ZipResult::Busy);
        QTRY_COMPARE_WITH_TIMEOUT(completed.count(), 2, Timeout);
        QTest::qWait(50);
        QVERIFY(!offThread && !zip.isBusy());
        QCOMPARE(events.mid(0, 40), QStringList(40, "preprocessing"));
        QCOMPARE(events.mid(40), QStringList(percents.size(), "status") << "completed");
        QVERIFY2(percents.size() >= 5, qPrintable(QString::number(percents.size())));
        for (qsizetype i = 1; i < percents.size(); ++i)
            QVERIFY2(percents[i] > percents[i - 1], qPrintable(QString::number(percents[i])));
        QCOMPARE(percents.last(), 100);
    }

    void stoppingMidWorkLeavesTheArchiveFile_data()
    {
        columns<QString>({"when"});
        QTest::newRow("destroyed right after Preview") << "preview";
        QTest::newRow("destroyed right after Zip") << "zip";
        QTest::newRow("destroyed while compressing") << "compressing";
        QTest::newRow("cancelled while compressing") << "cancel";
        QTest::newRow("destroyed by a handler of its file event") << "preprocessing";
        QTest::newRow("destroyed by a handler of its completion") << "completed";
    }

    void stoppingMidWorkLeavesTheArchiveFile()
    {
        QFETCH(QString, when);
        makeBlobs();
        auto *zip = new ZipComponent;
        prepare(*zip, path("pads"));
        const QString archive = zip->archivePath();
        int events = 0;
        QList<int> results;
        bool destroyed = false;
        const auto destroy = [&] {
            destroyed = true;
            delete zip;
        };
        QObject receiver;
        const auto count = [&] {
            QVERIFY(!destroyed);
            ++events;
        };
        connect(zip, &ZipComponent::PreviewingFile, &receiver, count);
        connect(zip, &ZipComponent::GlobalStatus, &receiver, count);
        connect(zip, &ZipComponent::ProcessCompleted, &receiver,
                [&](qint32, qint32, qint32, qint64, qint64, qint64, qint64, qint16, qint32 result) {
                    count();
                    results.append(result);
                    if (when == "completed")
                        destroy();
                });
        connect(zip, &ZipComponent::ZipPreprocessingFile, &receiver, [&] {
            count();
            if (when == "preprocessing" && events == 3)
                destroy();
        });
        QCOMPARE(when == "preview" ? zip->Preview(false) : zip->Zip(), ZipResult::Success);
        if (when == "compressing" || when == "cancel") {
            QSignalSpy status(zip, &ZipComponent::GlobalStatus);
            QVERIFY(QTest::qWaitFor([&] { return !status.isEmpty(); }, Timeout));
        }
        if (when == "cancel") {
            zip->Cancel();
            QVERIFY(QTest::qWaitFor([&] { return !results.isEmpty(); }, Timeout));
            QTest::qWait(50);
            QCOMPARE(results, QList<int>{ZipResult::Cancelled});
        }
        if (QStringList{"preview", "zip", "compressing", "cancel"}.contains(when))
            destroy();
        QVERIFY(QTest::qWaitFor([&] { return destroyed; }, Timeout));
        const int seen = events;
        QTest::qWait(300);
        QCOMPARE(events, seen); // nothing after destruction
        if (when == "completed") {
            const ToolResult test = run("unzip", {"-tq", archive});
            QVERIFY2(test.exitCode == 0, qPrintable(test.output));
            QCOMPARE(filesIn(path("out")), QStringList{"tmpArchive"});
        } else {
            expectArchiveFile({});
        }
    }

private:
    struct Previewed
    {
        QStringList names;
        QStringList sources;
    };

    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    // Web Pads/: .hidden.css, Zeta.js, img/Logo.PNG, img/ünï cödé.gif, index.htm,
    // sub dir/deeper/x.js, sub dir/page.htm.
    void makeWebTree()
    {
        writeFile(path("Web Pads/index.htm"), "<html>index</html>");
        writeFile(path("Web Pads/.hidden.css"), "body { color: red }");
        writeFile(path("Web Pads/Zeta.js"), pageText(1, 50));
        writeFile(path("Web Pads/img/Logo.PNG"), randomBytes(3000));
        writeFile(path("Web Pads/img/ünï cödé.gif"), randomBytes(500));
        writeFile(path("Web Pads/sub dir/page.htm"), pageText(2, 200));
        writeFile(path("Web Pads/sub dir/deeper/x.js"), "var x = 1;");
    }

    // Twelve files of 1 MiB that do not compress: a zip that takes a while.
    void makeBlobs()
    {
        for (int i = 0; i < 12; ++i)
            writeFile(path(QString("pads/blob%1.bin").arg(i)), randomBytes(1 << 20));
    }

    // Every file below the folder, into out/tmpArchive (created with that content).
    void prepare(ZipComponent &zip, const QString &folder, const QByteArray &archive = {})
    {
        zip.setFilesToProcess("|" + folder + "/*");
        zip.setIncludeSubfolders(true);
        zip.setArchivePath(path("out/tmpArchive"));
        writeFile(zip.archivePath(), archive);
    }

    // The archive file is as it was, and nothing was left beside it.
    void expectArchiveFile(const QByteArray &content)
    {
        QFile archive(path("out/tmpArchive"));
        QVERIFY(archive.open(QIODevice::ReadOnly));
        QCOMPARE(archive.readAll(), content);
        QCOMPARE(filesIn(path("out")), QStringList{"tmpArchive"});
    }

    Previewed preview(ZipComponent &zip)
    {
        Previewed result;
        connect(&zip, &ZipComponent::PreviewingFile, &zip,
                [&result](const QString &sFilename, const QString &sSourceFilename) {
                    result.names.append(sFilename);
                    result.sources.append(sSourceFilename);
                });
        QSignalSpy completed(&zip, &ZipComponent::ProcessCompleted);
        if (zip.Preview(false) == ZipResult::Success &&
            !QTest::qWaitFor([&] { return completed.count() > 0; }, Timeout))
            qWarning("the preview did not complete");
        return result;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_debug;
};

QTEST_GUILESS_MAIN(TestZipComponent)
#include "tst_zipcomponent.moc"
