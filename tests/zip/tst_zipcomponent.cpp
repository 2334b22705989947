#include "platform/debugoutput.h"
#include "tests/datarows.h"
#include "zip/archivewriter.h"
#include "zip/zipcomponent.h"
#include "ziptestsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

using namespace Corvane::Zip;
using namespace ZipTest;
using namespace DataRows;

namespace {

constexpr int Timeout = 60000;
// Web Pads/, as makeWebTree() writes it, in name order.
const QStringList Tree{".hidden.css",      "Zeta.js",   "img/Logo.PNG",
                       "img/ünï cödé.gif", "index.htm", "sub dir/deeper/x.js",
                       "sub dir/page.htm"};

// The handler gets sFilename, sSourceFilename and bExcluded of ZipPreprocessingFile.
void onPreprocess(ZipComponent *zip,
                  std::function<void(QString *, const QString &, bool *)> handler)
{
    QObject::connect(zip, &ZipComponent::ZipPreprocessingFile, zip,
                     [=](QString *name, const QString &, const QString &source, qint64, qint32,
                         const QDateTime &, const QDateTime &, const QDateTime &, qint32, bool,
                         const QString &, bool *excluded) { handler(name, source, excluded); });
}

} // namespace

class tst_ZipComponent : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_debug.clear();
        Corvane::Platform::setDebugOutputSink([this](const QByteArray &text) { m_debug += text; });
        makeWebTree();
    }

    void cleanup()
    {
        Corvane::Platform::setDebugOutputSink({});
        QFile::setPermissions(path("Web Pads/sub dir"), QFileDevice::Permissions(0x7700));
        m_dir.reset();
    }

    void previewReachesWhatItMay_data()
    {
        // Paths are below the test folder (%1 in list). links: "link>target"; fifo, closed (a
        // folder nobody may list), raw (a name by its bytes): made when set; sources: in walk
        // order; debug: a part of the debug output; error: of lastError() when the walk fails.
        columns<QString, QStringList, QString, QString, QByteArray, QStringList, QStringList,
                QString, QString>(
            {"list", "links", "fifo", "closed", "raw", "sources", "skipped", "debug", "error"});
        const QString pads = "|%1/Web Pads/*";
        const auto in = [](const QString &folder, QStringList names) {
            for (QString &name : names)
                name.prepend(folder + u'/');
            return names;
        };
        const QStringList none, tree = in("Web Pads", Tree);
        row("folder as listed, hidden files, name order", "|%1/web pads/*", none, "", "",
            QByteArray(), in("web pads", Tree), none, "", "");
        row("single file as spelled in the list", "|%1/web pads/INDEX.HTM", none, "", "",
            QByteArray(), QStringList{"web pads/INDEX.HTM"}, none, "", "");
        row("pattern matched without regard to case", "|%1/Web Pads/*.HTM", none, "", "",
            QByteArray(), in("Web Pads", {"index.htm", "sub dir/page.htm"}), none, "", "");
        row("bare folder as if joined with *", "|%1/Web Pads/img", none, "", "", QByteArray(),
            in("Web Pads/img", {"Logo.PNG", "ünï cödé.gif"}), none, "", "");
        row("entries in list order, empty ones dropped, nested folder reported twice",
            "||%1/Web Pads/sub dir/deeper/*|%1/Web Pads/sub dir/*||%1/Web Pads/img/*|", none, "",
            "", QByteArray(),
            in("Web Pads", {"sub dir/deeper/x.js", "sub dir/deeper/x.js", "sub dir/page.htm",
                            "img/Logo.PNG", "img/ünï cödé.gif"}),
            none, "", "");
        row("missing folder named in the debug output", "|%1/No Such Pads/*|%1/Web Pads/img/*",
            none, "", "", QByteArray(), in("Web Pads/img", {"Logo.PNG", "ünï cödé.gif"}), none,
            "zip: nothing found for \"%1/No Such Pads/*\"\n", "");
        row("links leading out of the listed folders are left out and listed", pads,
            QStringList{"etc>../outside", "secret.txt>../outside/secret.txt"}, "", "", QByteArray(),
            tree, QStringList{"etc -> outside", "secret.txt -> outside/secret.txt"}, "", "");
        row("a link into a folder allowed for links is followed", pads,
            QStringList{"common>../shared"}, "", "", QByteArray(),
            in("Web Pads",
               {".hidden.css", "Zeta.js", "common/site.css", "img/Logo.PNG", "img/ünï cödé.gif",
                "index.htm", "sub dir/deeper/x.js", "sub dir/page.htm"}),
            none, "", "");
        row("a link into another listed folder is followed",
            "|%1/Web Pads/img/*|%1/Web Pads/sub dir/*",
            QStringList{"img/page.htm>../sub dir/page.htm"}, "", "", QByteArray(),
            in("Web Pads", {"img/Logo.PNG", "img/page.htm", "img/ünï cödé.gif",
                            "sub dir/deeper/x.js", "sub dir/page.htm"}),
            none, "", "");
        row("loops and second ways into a folder are walked once, dangling links not at all", pads,
            QStringList{"sub dir/loop>..", "again>sub dir", "start.htm>index.htm", "gone>no"}, "",
            "", QByteArray(),
            in("Web Pads", {".hidden.css", "Zeta.js", "again/deeper/x.js", "again/page.htm",
                            "img/Logo.PNG", "img/ünï cödé.gif", "index.htm", "start.htm"}),
            none, "sub dir\" leads to a folder walked already", "");
        row("pipes, sockets and devices are never opened", pads, QStringList{"zero.htm>/dev/zero"},
            "pipe.htm", "", QByteArray(), tree, none, "", "");
        row("a folder that cannot be listed fails the walk", pads, none, "", "sub dir",
            QByteArray(), none, none, "",
            "Cannot read the folder \"%1/Web Pads/sub dir/\" (Permission denied)");
        row("a name that is not UTF-8 fails the walk, its bytes escaped", pads, none, "", "",
            QByteArray("img/caf\xe9 \x01.htm"), none, none, "",
            "The name of the file \"caf\\xE9 \\x01.htm\" in the folder \"%1/Web Pads/img/\" "
            "is not valid UTF-8");
    }

    void previewReachesWhatItMay()
    {
        QFETCH(QString, list);
        QFETCH(QStringList, links);
        QFETCH(QString, fifo);
        QFETCH(QString, closed);
        QFETCH(QByteArray, raw);
        QFETCH(QStringList, sources);
        QFETCH(QStringList, skipped);
        QFETCH(QString, debug);
        QFETCH(QString, error);
        const QString root = m_dir->path(), top = path("Web Pads") + "/";
        writeFile(path("outside/secret.txt"), "root:x:0:0");
        writeFile(path("shared/site.css"), "body {}");
        for (const QString &link : links)
            QVERIFY(QFile::link(link.section('>', 1), top + link.section('>', 0, 0)));
        QVERIFY(fifo.isEmpty() || mkfifo(QFile::encodeName(top + fifo).constData(), 0644) == 0);
        QVERIFY(closed.isEmpty() || QFile::setPermissions(top + closed, {}));
        raw.prepend(QFile::encodeName(top)); // Qt cannot name this file: it goes by its bytes
        if (raw != QFile::encodeName(top))
            fclose(fopen(raw.constData(), "w"));
        QVERIFY(QFile::setPermissions(root, QFileDevice::Permissions(0x7777)));
        ZipComponent zip;
        zip.setFilesToProcess(list.replace("%1", root));
        zip.setIncludeSubfolders(true);
        zip.setPreservePaths(true);
        zip.setLinkFolders({path("shared")});
        QStringList previewed;
        connect(&zip, &ZipComponent::PreviewingFile, &zip,
                [&](const QString &name, const QString &source) {
                    QCOMPARE(name, source.mid(1)); // the path less its root
                    previewed.append(source.mid(root.size() + 1));
                });
        const QList<QVariant> completed = zipToEnd(zip, true, true);
        ::unlink(raw.constData());
        for (QString &link : skipped)
            link = top + link.section(" -> ", 0, 0) + " -> " +
                   QFileInfo(path(link.section(" -> ", 1))).canonicalFilePath();
        QCOMPARE(zip.skippedLinks(), skipped);
        QCOMPARE(completed.at(8).toInt(),
                 error.isEmpty() ? ZipResult::Success : ZipResult::ReadError);
        QVERIFY2(zip.lastError().contains(error.replace("%1", root)), qPrintable(zip.lastError()));
        if (!error.isEmpty())
            return;
        QCOMPARE(previewed, sources);
        QCOMPARE(completed.at(0).toInt(), sources.size()); // lFilesTotal
        QVERIFY2(m_debug.contains(debug.replace("%1", root).toUtf8()), m_debug);
    }

    // Unsafe names are cut down (an unusable one falls back to the default name); names
    // compare exactly, and of two equal ones the first is kept. Entries carry the Unix
    // mode, the local time and the UTC time stamp (the options on construction).
    void zipStoresWhatHandlersLeave()
    {
        const QString folder = path("Web Pads");
        QFile::setPermissions(folder + "/index.htm",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        const QDateTime modified = QDateTime::fromSecsSinceEpoch(1600000000); // 2020-09-13
        {
            QFile handle(folder + "/index.htm");
            QVERIFY(handle.open(QIODevice::ReadWrite) &&
                    handle.setFileTime(modified, QFile::FileModificationTime));
        }
        ZipComponent zip;
        QCOMPARE(zip.metadataOptions(), MetadataOption::All);
        prepare(zip, folder);
        zip.setPreservePaths(true);
        const QHash<QString, QString> renames{{".hidden.css", "./.."},
                                              {"index.htm", "../../etc/index.htm"},
                                              {"sub dir/deeper/x.js", "ETC/index.htm"},
                                              {"sub dir/page.htm", "etc//index.htm"}};
        QList<int> methods;
        connect(&zip, &ZipComponent::ZipPreprocessingFile, &zip,
                [&](QString *name, const QString &, const QString &source, qint64, qint32,
                    const QDateTime &, const QDateTime &, const QDateTime &, qint32 method) {
                    const QString relative = source.mid(folder.size() + 1);
                    *name = renames.value(relative, relative);
                    methods.append(method);
                });
        const QList<QVariant> completed = zipToEnd(zip, false);
        QCOMPARE(completed.mid(0, 3), (QVariantList{7, 6, 1})); // total, processed, skipped
        QCOMPARE(completed.at(6).toLongLong(), QFileInfo(zip.archivePath()).size());
        QCOMPARE(completed.value(8).toInt(), ZipResult::Success);
        QCOMPARE(QString::fromUtf8(m_debug),
                 QString("zip: left out \"%1\": the archive holds \"etc/index.htm\" already\n")
                     .arg(folder + "/sub dir/page.htm"));
        const Archive archive = readArchive(zip.archivePath());
        QVERIFY2(archive.valid, qPrintable(archive.problem));
        // Images are stored as they are, text deflated, as the event announced.
        QCOMPARE(methods, (QList<int>{8, 8, 0, 0, 8, 8, 8}));
        const QStringList names{folder.mid(1) + "/.hidden.css",
                                "Zeta.js",
                                "img/Logo.PNG",
                                "img/ünï cödé.gif",
                                "etc/index.htm",
                                "ETC/index.htm"};
        QCOMPARE(archive.entries.size(), names.size());
        for (qsizetype i = 0; i < names.size(); ++i) {
            const Entry &entry = archive.entries[i];
            QCOMPARE(entry.name, names[i]);
            QCOMPARE(entry.method, methods[i]);
            QCOMPARE(entry.flags & 0x800, entry.name.contains(u'ü') ? 0x800 : 0); // UTF-8 name
            QCOMPARE(entry.system, 3);
        }
        const Entry &index = archive.entries[4];
        QCOMPARE(index.external >> 16, 0100640u);
        QVERIFY2(qAbs(index.dosTime.secsTo(modified)) <= 1, qPrintable(index.dosTime.toString()));
        const qsizetype at = index.centralExtra.indexOf(QByteArray("UT\x05\x00", 4));
        QVERIFY(at >= 0);
        const auto *time = reinterpret_cast<const uchar *>(index.centralExtra.constData() + at + 5);
        QCOMPARE(qint64(time[0] | time[1] << 8 | time[2] << 16 | quint32(time[3]) << 24),
                 modified.toSecsSinceEpoch());
    }

    // libzip removes an archive without entries; the component writes the end record alone.
    void everyFileExcludedGivesAnEmptyArchive()
    {
        ZipComponent zip;
        prepare(zip, path("Web Pads"));
        onPreprocess(&zip, [](QString *, const QString &, bool *excluded) { *excluded = true; });
        QSignalSpy status(&zip, &ZipComponent::GlobalStatus);
        const QList<QVariant> completed = zipToEnd(zip, false);
        QCOMPARE(completed.value(8).toInt(), ZipResult::Success);
        QCOMPARE(completed.at(1).toInt(), 0);
        QCOMPARE(QFileInfo(zip.archivePath()).size(), 22);
        QVERIFY(!status.isEmpty() && status.last().at(7).toInt() == 100);
        const ToolResult test = run("unzip", {"-t", zip.archivePath()});
        QVERIFY2(test.output.contains("zipfile is empty"), qPrintable(test.output));
    }

    void failuresLeaveTheArchiveFile_data()
    {
        // victim: Web Pads/sub dir/page.htm; archive: below the test folder ("" none);
        // named: in lastError() and the debug output (%1 the victim, %2 the archive)
        columns<bool, bool, QString, QByteArray, int, QString>(
            {"replace", "closed", "archive", "before", "result", "named"});
        const QString archive = "out/tmpArchive";
        row("a file replaced by a folder, archive file with content", true, false, archive,
            QByteArray("previous content"), ZipResult::ReadError, "\"%1\"");
        row("a file that cannot be read", false, true, archive, QByteArray(), ZipResult::ReadError,
            "\"%1\"");
        row("archive folder missing", false, false, "missing folder/a.zip", QByteArray(),
            ZipResult::WriteError, "%2");
        row("no ArchivePath", false, false, "", QByteArray(), ZipResult::WriteError, "ArchivePath");
    }

    void failuresLeaveTheArchiveFile()
    {
        QFETCH(bool, replace);
        QFETCH(bool, closed);
        QFETCH(QString, archive);
        QFETCH(QByteArray, before);
        QFETCH(QString, named);
        const QString victim = path("Web Pads/sub dir/page.htm");
        ZipComponent zip;
        prepare(zip, path("Web Pads"), before);
        zip.setArchivePath(archive.isEmpty() ? QString() : path(archive));
        QVERIFY(!closed || QFile::setPermissions(victim, {}));
        onPreprocess(&zip, [&](QString *, const QString &source, bool *) {
            if (source == victim && replace && QFile::remove(victim))
                QDir().mkpath(victim);
        });
        // The worker reads as a user whom permissions stop; it writes into folders open to all.
        for (const QString &writable : {m_dir->path(), path("out")})
            QVERIFY(QFile::setPermissions(writable, QFileDevice::Permissions(0x7777)));
        QFile::setPermissions(path("out/tmpArchive"), QFileDevice::Permissions(0x6666));
        const QList<QVariant> completed = zipToEnd(zip, false, closed);
        QTEST(completed.value(8).toInt(), "result");
        named.replace("%1", victim).replace("%2", zip.archivePath());
        QVERIFY2(zip.lastError().contains(named), qPrintable(zip.lastError()));
        QVERIFY2(m_debug.contains(named.toUtf8()), m_debug);
        QVERIFY(!QFileInfo::exists(path("missing folder")));
        expectArchiveFile(before);
    }

    // Small entries are deflated ahead on worker threads, big ones streamed, images stored;
    // the output is buffered and libzip goes back to each entry's header. The archive
    // comes out the same whatever the number of threads, into a file whose permissions
    // stay, with nothing left beside it.
    void sameArchiveWhateverTheThreads()
    {
        const QList<QPair<QString, QByteArray>> files{
            {"a.htm", pageText(3, 20)},    {"b.bin", randomBytes(3 << 20)}, {"c.htm", "c"},
            {"d.txt", pageText(4, 40000)}, {"e.png", randomBytes(5000)},    {"f.js", QByteArray()},
            {"g.htm", pageText(5, 3000)}};
        Internal::EntryList entries;
        for (const auto &[name, content] : files) {
            writeFile(path("pads/" + name), content);
            entries.add({content.size(), 1600000000000, 0, 0, 0100644, name.endsWith(".png")},
                        path("pads/" + name), path("pads/" + name), name);
        }
        QByteArray first;
        for (const int threads : {1, 3}) {
            const QString archive = path(QString("out/%1.zip").arg(threads));
            writeFile(archive, {});
            QVERIFY(QFile::setPermissions(archive, QFile::ReadOwner | QFile::WriteOwner));
            std::atomic_bool cancel = false;
            Internal::ArchiveWriter writer(archive, MetadataOption::All, threads, cancel, {});
            QCOMPARE(writer.write(entries).code, ZipResult::Success);
            QFile written(archive);
            QVERIFY(written.open(QIODevice::ReadOnly));
            if (first.isNull())
                first = written.readAll();
            else
                QVERIFY(written.readAll() == first);
            QCOMPARE(QFile::permissions(archive) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
        }
        QCOMPARE(filesIn(path("out")), (QStringList{"1.zip", "3.zip"}));
        const ToolResult tested = run("unzip", {"-tq", path("out/3.zip")});
        QVERIFY2(tested.exitCode == 0, qPrintable(tested.output));
        const Archive archive = readArchive(path("out/3.zip"));
        QVERIFY2(archive.valid, qPrintable(archive.problem));
        QCOMPARE(archive.entries.size(), files.size());
        for (qsizetype i = 0; i < files.size(); ++i)
            QVERIFY2(archive.entries[i].data == files[i].second, qPrintable(files[i].first));
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
        // statuses: destroyed once this many GlobalStatus came (-1: at once); handlerAt: a
        // handler destroys it at its n-th file event (0: in ProcessCompleted, -1: no handler)
        columns<int, bool, int>({"statuses", "cancel", "handlerAt"});
        row("destroyed right after Zip", -1, false, -1);
        row("destroyed while compressing", 1, false, -1);
        row("cancelled while compressing, then destroyed", 1, true, -1);
        row("destroyed by a handler of its file event", -1, false, 3);
        row("destroyed by a handler of its completion", -1, false, 0);
    }

    void stoppingMidWorkLeavesTheArchiveFile()
    {
        QFETCH(int, statuses);
        QFETCH(bool, cancel);
        QFETCH(int, handlerAt);
        for (int i = 0; i < 12; ++i) // 12 MiB that do not compress: a zip that takes a while
            writeFile(path(QString("pads/blob%1.bin").arg(i)), randomBytes(1 << 20));
        auto *zip = new ZipComponent;
        prepare(*zip, path("pads"));
        int events = 0, files = 0;
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
        connect(zip, &ZipComponent::ZipPreprocessingFile, &receiver, [&] {
            count();
            if (++files == handlerAt)
                destroy();
        });
        connect(zip, &ZipComponent::ProcessCompleted, &receiver,
                [&](qint32, qint32, qint32, qint64, qint64, qint64, qint64, qint16, qint32 result) {
                    count();
                    results.append(result);
                    if (handlerAt == 0)
                        destroy();
                });
        QSignalSpy status(zip, &ZipComponent::GlobalStatus);
        QCOMPARE(zip->Zip(), ZipResult::Success);
        QVERIFY(QTest::qWaitFor([&] { return status.count() >= statuses; }, Timeout));
        if (cancel) {
            zip->Cancel();
            QVERIFY(QTest::qWaitFor([&] { return !results.isEmpty(); }, Timeout));
            QTest::qWait(50);
            QCOMPARE(results, QList<int>{ZipResult::Cancelled});
        }
        if (handlerAt < 0)
            destroy();
        QVERIFY(QTest::qWaitFor([&] { return destroyed; }, Timeout));
        const int seen = events;
        QTest::qWait(300);
        QCOMPARE(events, seen); // nothing after destruction
        if (handlerAt == 0) {
            const ToolResult test = run("unzip", {"-tq", path("out/tmpArchive")});
            QVERIFY2(test.exitCode == 0, qPrintable(test.output));
            QCOMPARE(filesIn(path("out")), QStringList{"tmpArchive"});
        } else {
            expectArchiveFile({});
        }
    }

private:
    QString path(const QString &relative) const { return m_dir->filePath(relative); }

    void makeWebTree()
    {
        const QList<QByteArray> content{
            "body { color: red }", pageText(1, 50), randomBytes(3000), randomBytes(500),
            "<html>index</html>",  "var x = 1;",    pageText(2, 200)};
        for (qsizetype i = 0; i < Tree.size(); ++i)
            writeFile(path("Web Pads/" + Tree[i]), content[i]);
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

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_debug;
};

QTEST_GUILESS_MAIN(tst_ZipComponent)
#include "tst_zipcomponent.moc"
