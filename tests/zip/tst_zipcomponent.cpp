#include "platform/debugoutput.h"
#include "tests/datarows.h"
#include "zip/archivewriter.h"
#include "zip/zipcomponent.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <libdeflate.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#include <zlib.h>

using namespace Corvane::Zip;
using namespace DataRows;

namespace {

constexpr int Timeout = 60000;

// Independent checks of the archives: Info-ZIP's unzip and Python's zipfile.
struct ToolResult
{
    int exitCode = -1; // -1: did not start or crashed
    QString output;    // standard output and error together
};
ToolResult run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ran =
        process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    return {ran ? process.exitCode() : -1, QString::fromUtf8(process.readAll())};
}

// {"problem": "ok" or what is wrong (a bad CRC, Python's error), "entries": [one per entry]}.
const char *const ReadScript = R"(
import base64, json, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    bad = z.testzip()
    print(json.dumps({'problem': 'ok' if bad is None else 'bad CRC in ' + bad, 'entries': [
        {'name': i.filename, 'method': i.compress_type, 'flags': i.flag_bits,
         'system': i.create_system, 'external': i.external_attr, 'extra': i.extra.hex(),
         'time': '%04d-%02d-%02dT%02d:%02d:%02d' % i.date_time, 'packed': i.compress_size,
         'data': base64.b64encode(z.read(i)).decode()} for i in z.infolist()]}))
)";

QJsonObject readArchive(const QString &path)
{
    // The system's python3 first: a version manager's shim on PATH may take seconds to start.
    const QString python = QStandardPaths::findExecutable("python3", {"/usr/bin"});
    const ToolResult read = run(python.isEmpty() ? "python3" : python, {"-c", ReadScript, path});
    const QJsonDocument json = QJsonDocument::fromJson(read.output.toUtf8());
    return json.isObject() ? json.object() : QJsonObject{{"problem", read.output}}; // an error
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QByteArray randomBytes(qsizetype size)
{
    QList<quint32> words((size + 3) / 4);
    QRandomGenerator(4711).fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char *>(words.constData()), size);
}

QByteArray pageText(int seed, int lines)
{
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += "<p class=\"item\">Line " + QByteArray::number(i * 7919 + seed) + " of page " +
                QByteArray::number(seed) + "</p>\n";
    return text;
}

// Runs Zip() or Preview() to its end, its threads started as "nobody" when asked; the
// ProcessCompleted arguments (all -1 when it did not end).
QList<QVariant> zipToEnd(ZipComponent &zip, bool preview = false, bool asNobody = false)
{
    QSignalSpy completed(&zip, &ZipComponent::ProcessCompleted);
    // Threads started now reach files as "nobody", whom permissions stop (root reads anything).
    const bool nobody = asNobody && geteuid() == 0;
    setfsgid(nobody ? 65534 : getegid()), setfsuid(nobody ? 65534 : geteuid());
    const int started = preview ? zip.Preview(false) : zip.Zip();
    setfsuid(geteuid()), setfsgid(getegid());
    if (started != ZipResult::Success ||
        !QTest::qWaitFor([&] { return completed.count() > 0; }, Timeout))
        return QList<QVariant>(9, QVariant(-1));
    return completed.takeFirst();
}

// Web Pads/, as init() writes it, in name order.
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
        const QList<QByteArray> content{
            "body { color: red }", pageText(1, 50), randomBytes(3000), randomBytes(500),
            "<html>index</html>",  "var x = 1;",    pageText(2, 200)};
        for (qsizetype i = 0; i < Tree.size(); ++i)
            writeFile(path("Web Pads/" + Tree[i]), content[i]);
    }

    void cleanup()
    {
        Corvane::Platform::setDebugOutputSink({});
        QFile::setPermissions(path("Web Pads/sub dir"), QFileDevice::Permissions(0x7700));
        m_dir.reset();
    }

    void previewReachesWhatItMay_data()
    {
        // Paths are below the test folder (%1 in list). made: "link>target", "|pipe" (a fifo),
        // "-folder" (nobody may list it), "~" (a name that is not UTF-8); sources: in walk
        // order; expect: a part of the debug output, or "!" and a part of lastError().
        columns<QString, QStringList, QStringList, QStringList, QString>(
            {"list", "made", "sources", "skipped", "expect"});
        const QString pads = "|%1/Web Pads/*";
        const auto in = [](const QString &folder, QStringList names) {
            for (QString &name : names)
                name.prepend(folder + u'/');
            return names;
        };
        const QStringList none, tree = in("Web Pads", Tree);
        row("folder as listed, hidden files, name order", "|%1/web pads/*", none,
            in("web pads", Tree), none, "");
        row("single file as spelled in the list", "|%1/web pads/INDEX.HTM", none,
            QStringList{"web pads/INDEX.HTM"}, none, "");
        row("pattern matched without regard to case", "|%1/Web Pads/*.HTM", none,
            in("Web Pads", {"index.htm", "sub dir/page.htm"}), none, "");
        row("bare folder as if joined with *", "|%1/Web Pads/img", none,
            in("Web Pads/img", {"Logo.PNG", "ünï cödé.gif"}), none, "");
        row("entries in list order, empty ones dropped, nested folder reported twice",
            "||%1/Web Pads/sub dir/deeper/*|%1/Web Pads/sub dir/*||%1/Web Pads/img/*|", none,
            in("Web Pads", {"sub dir/deeper/x.js", "sub dir/deeper/x.js", "sub dir/page.htm",
                            "img/Logo.PNG", "img/ünï cödé.gif"}),
            none, "");
        row("missing folder named in the debug output", "|%1/No Such Pads/*|%1/Web Pads/img/*",
            none, in("Web Pads/img", {"Logo.PNG", "ünï cödé.gif"}), none,
            "zip: nothing found for \"%1/No Such Pads/*\"\n");
        row("links leading out of the listed folders are left out and listed", pads,
            QStringList{"etc>../outside", "secret.txt>../outside/secret.txt"}, tree,
            QStringList{"etc -> outside", "secret.txt -> outside/secret.txt"}, "");
        row("a link into a folder allowed for links is followed", pads,
            QStringList{"common>../shared"},
            in("Web Pads",
               {".hidden.css", "Zeta.js", "common/site.css", "img/Logo.PNG", "img/ünï cödé.gif",
                "index.htm", "sub dir/deeper/x.js", "sub dir/page.htm"}),
            none, "");
        row("a link into another listed folder is followed",
            "|%1/Web Pads/img/*|%1/Web Pads/sub dir/*",
            QStringList{"img/page.htm>../sub dir/page.htm"},
            in("Web Pads", {"img/Logo.PNG", "img/page.htm", "img/ünï cödé.gif",
                            "sub dir/deeper/x.js", "sub dir/page.htm"}),
            none, "");
        row("loops and second ways into a folder are walked once, dangling links not at all", pads,
            QStringList{"sub dir/loop>..", "again>sub dir", "start.htm>index.htm", "gone>no"},
            in("Web Pads", {".hidden.css", "Zeta.js", "again/deeper/x.js", "again/page.htm",
                            "img/Logo.PNG", "img/ünï cödé.gif", "index.htm", "start.htm"}),
            none, "sub dir\" leads to a folder walked already");
        row("pipes, sockets and devices are never opened", pads,
            QStringList{"zero.htm>/dev/zero", "|pipe.htm"}, tree, none, "");
        row("a folder that cannot be listed fails the walk", pads, QStringList{"-sub dir"}, none,
            none, "!Cannot read the folder \"%1/Web Pads/sub dir/\" (Permission denied)");
        row("a name that is not UTF-8 fails the walk, its bytes escaped", pads, QStringList{"~"},
            none, none,
            "!The name of the file \"caf\\xE9 \\x01.htm\" in the folder \"%1/Web Pads/img/\" "
            "is not valid UTF-8");
    }

    void previewReachesWhatItMay()
    {
        QFETCH(QString, list);
        QFETCH(QStringList, made);
        QFETCH(QStringList, skipped);
        QFETCH(QString, expect);
        const QString root = m_dir->path(), top = path("Web Pads") + "/";
        writeFile(path("outside/secret.txt"), "root:x:0:0");
        writeFile(path("shared/site.css"), "body {}");
        // Qt cannot name this file: it goes by its bytes.
        const QByteArray raw = QFile::encodeName(top) + "img/caf\xe9 \x01.htm";
        for (const QString &item : made) {
            if (item == "~")
                fclose(fopen(raw.constData(), "w"));
            else if (item.startsWith('|'))
                QVERIFY(mkfifo(QFile::encodeName(top + item.mid(1)).constData(), 0644) == 0);
            else if (item.startsWith('-'))
                QVERIFY(QFile::setPermissions(top + item.mid(1), {}));
            else
                QVERIFY(QFile::link(item.section('>', 1), top + item.section('>', 0, 0)));
        }
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
        expect.replace("%1", root);
        const bool fails = expect.startsWith('!');
        QCOMPARE(completed.at(8).toInt(), fails ? ZipResult::ReadError : ZipResult::Success);
        QVERIFY2(!fails || zip.lastError().contains(expect.mid(1)), qPrintable(zip.lastError()));
        if (fails)
            return;
        QTEST(previewed, "sources");
        QCOMPARE(completed.at(0).toInt(), previewed.size()); // lFilesTotal
        QVERIFY2(m_debug.contains(expect.toUtf8()), m_debug);
    }

    // Unsafe names are cut down (an unusable one falls back to the default name); names
    // compare exactly, and of two equal ones the first is kept. Entries carry the Unix
    // mode, the local time and the UTC time stamp (the options on construction).
    void zipStoresWhatHandlersLeave()
    {
        const QString folder = path("Web Pads");
        const QByteArray index = QFile::encodeName(folder + "/index.htm");
        const QDateTime modified = QDateTime::fromSecsSinceEpoch(1600000000); // 2020-09-13
        const utimbuf times{1600000000, 1600000000};
        QVERIFY(::chmod(index.constData(), 0640) == 0 && ::utime(index.constData(), &times) == 0);
        ZipComponent zip;
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
        QCOMPARE(QString::fromUtf8(m_debug),
                 QString("zip: left out \"%1\": the archive holds \"etc/index.htm\" already\n")
                     .arg(folder + "/sub dir/page.htm"));
        const QJsonObject archive = readArchive(zip.archivePath());
        QCOMPARE(archive["problem"].toString(), "ok");
        // Images are stored as they are, text deflated, as the event announced.
        QCOMPARE(methods, (QList<int>{8, 8, 0, 0, 8, 8, 8}));
        // name, method, the UTF-8 flag and the system that made it (3: Unix) of each entry
        const QJsonArray entries = archive["entries"].toArray();
        QStringList rows;
        for (const QJsonValue &entry : entries)
            rows << QString("%1 %2 %3 %4")
                        .arg(entry["name"].toString())
                        .arg(entry["method"].toInt())
                        .arg(entry["flags"].toInt() & 0x800)
                        .arg(entry["system"].toInt());
        QCOMPARE(rows, (QStringList{folder.mid(1) + "/.hidden.css 8 0 3", "Zeta.js 8 0 3",
                                    "img/Logo.PNG 0 0 3", "img/ünï cödé.gif 0 2048 3",
                                    "etc/index.htm 8 0 3", "ETC/index.htm 8 0 3"}));
        const QJsonValue stored = entries[4];
        QCOMPARE(stored["external"].toInteger() >> 16, 0100640);
        const QDateTime dosTime = QDateTime::fromString(stored["time"].toString(), Qt::ISODate);
        QVERIFY2(qAbs(dosTime.secsTo(modified)) <= 1, qPrintable(dosTime.toString()));
        // The central extended timestamp: the local flags (both times), the modified time only.
        const quint32 utc = qToLittleEndian(quint32(modified.toSecsSinceEpoch()));
        QVERIFY(QByteArray::fromHex(stored["extra"].toString().toLatin1())
                    .contains(QByteArray("UT\x05\x00\x03", 5) + QByteArray((const char *)&utc, 4)));
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
    // past 65,535 entries come the zip64 end records. The archive is the same whatever the
    // number of threads, its file keeps its permissions, and nothing is left beside it.
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
        constexpr int Entries = 70000; // the rest c.htm again
        for (int i = int(files.size()); i < Entries; ++i)
            entries.add({1, 0, 0, 0, 0100644, false}, path("pads/c.htm"), path("pads/c.htm"),
                        QString("p/%1.htm").arg(i));
        QByteArray first;
        for (const int threads : {1, 3}) {
            const QString archive = path(QString("out/%1.zip").arg(threads));
            writeFile(archive, {});
            QVERIFY(QFile::setPermissions(archive, QFile::ReadOwner | QFile::WriteOwner));
            std::atomic_bool cancel = false;
            Internal::ArchiveWriter writer(archive, MetadataOption::All, threads, cancel, {});
            QCOMPARE(writer.write(entries).filesWritten, Entries);
            QFile written(archive);
            QVERIFY(written.open(QIODevice::ReadOnly));
            if (first.isNull())
                first = written.readAll();
            else
                QVERIFY(written.readAll() == first);
            QCOMPARE(QFile::permissions(archive) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
        }
        QCOMPARE(filesIn(path("out")), (QStringList{"1.zip", "3.zip"}));
        // The zip64 end record, its locator, then the classic record that points to them.
        QCOMPARE(first.mid(first.size() - 22 - 20 - 56, 4), QByteArray("PK\x06\x06", 4));
        QCOMPARE(run("unzip", {"-tq", path("out/3.zip")}).exitCode, 0);
        const QJsonObject archive = readArchive(path("out/3.zip"));
        QCOMPARE(archive["problem"].toString(), "ok");
        const QJsonArray written = archive["entries"].toArray();
        QCOMPARE(written.size(), Entries);
        for (qsizetype i = 0; i < files.size(); ++i)
            QVERIFY2(QByteArray::fromBase64(written[i]["data"].toString().toLatin1()) ==
                         files[i].second,
                     qPrintable(files[i].first));
        // Deflated at level 6, zlib's default, whichever way: a streamed file (d.txt) as zlib
        // deflates it, a small one (g.htm) as libdeflate does.
        const QByteArray &big = files[3].second, &small = files[6].second;
        uLongf length = compressBound(uLong(big.size()));
        QByteArray out(qsizetype(length), '\0');
        compress2(reinterpret_cast<Bytef *>(out.data()), &length,
                  reinterpret_cast<const Bytef *>(big.constData()), uLong(big.size()), 6);
        QCOMPARE(written[3]["packed"].toInteger(), qint64(length) - 6); // less header, checksum
        libdeflate_compressor *compressor = libdeflate_alloc_compressor(6);
        const size_t smallLength = libdeflate_deflate_compress(
            compressor, small.constData(), size_t(small.size()), out.data(), size_t(out.size()));
        libdeflate_free_compressor(compressor);
        QCOMPARE(written[6]["packed"].toInteger(), qint64(smallLength));
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
        QVERIFY(percents.size() >= 5 && percents.last() == 100); // rising, new percents only
        QVERIFY(std::adjacent_find(percents.begin(), percents.end(), std::greater_equal<>()) ==
                percents.end());
        // With every file left out the archive is its end record alone, and the status ends
        // at 100 percent all the same.
        onPreprocess(&zip, [](QString *, const QString &, bool *excluded) { *excluded = true; });
        percents.clear();
        const QList<QVariant> empty = zipToEnd(zip);
        QCOMPARE(empty.mid(1, 1) << empty.at(8), (QVariantList{0, ZipResult::Success}));
        QCOMPARE(QFileInfo(zip.archivePath()).size(), 22);
        QCOMPARE(percents, QList<int>{100});
        QVERIFY(run("unzip", {"-t", zip.archivePath()}).output.contains("zipfile is empty"));
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
        const QPointer<ZipComponent> alive(zip);
        int files = 0;
        QList<int> results;
        QObject receiver;
        const auto count = [&] { QVERIFY(alive); }; // no event once destroyed
        connect(zip, &ZipComponent::GlobalStatus, &receiver, count);
        connect(zip, &ZipComponent::ZipPreprocessingFile, &receiver, [&] {
            count();
            if (++files == handlerAt)
                delete zip;
        });
        connect(zip, &ZipComponent::ProcessCompleted, &receiver,
                [&](qint32, qint32, qint32, qint64, qint64, qint64, qint64, qint16, qint32 result) {
                    count();
                    results.append(result);
                    if (handlerAt == 0)
                        delete zip;
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
            delete zip;
        QVERIFY(QTest::qWaitFor([&] { return alive.isNull(); }, Timeout));
        QTest::qWait(300); // for late events
        if (handlerAt == 0) {
            QCOMPARE(run("unzip", {"-tq", path("out/tmpArchive")}).exitCode, 0);
            QCOMPARE(filesIn(path("out")), QStringList{"tmpArchive"});
        } else {
            expectArchiveFile({});
        }
    }

private:
    QString path(const QString &relative) const { return m_dir->filePath(relative); }

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
        QVERIFY(archive.open(QIODevice::ReadOnly) && archive.readAll() == content);
        QCOMPARE(filesIn(path("out")), QStringList{"tmpArchive"});
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_debug;
};

QTEST_GUILESS_MAIN(tst_ZipComponent)
#include "tst_zipcomponent.moc"
