#include "platform/debugoutput.h"
#include "tests/datarows.h"
#include "zip/archivewriter.h"
#include "zip/zipcomponent.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
#include <zlib.h>

using namespace Corvane::Zip;
using namespace DataRows;

namespace {

constexpr int Timeout = 60000;

// Independent checks of the archives: Info-ZIP's unzip and zipinfo, and Python's zipfile.
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

// {"problem": "ok" or what is wrong (a bad CRC), "entries": [one object per entry]}.
const char *const ReadScript = R"(
import base64, json, sys, zipfile
try:
    with zipfile.ZipFile(sys.argv[1]) as z:
        bad = z.testzip()
        print(json.dumps({'problem': 'ok' if bad is None else 'bad CRC in ' + bad, 'entries': [
            {'name': i.filename, 'method': i.compress_type, 'flags': i.flag_bits,
             'system': i.create_system, 'external': i.external_attr, 'extra': i.extra.hex(),
             'time': '%04d-%02d-%02dT%02d:%02d:%02d' % i.date_time, 'packed': i.compress_size,
             'data': base64.b64encode(z.read(i)).decode()} for i in z.infolist()]}))
except Exception as error:
    print(json.dumps({'problem': repr(error)}))
)";

QJsonObject readArchive(const QString &path)
{
    // The system's python3 first: a version manager's shim on PATH may take seconds to start.
    QString python = QStandardPaths::findExecutable("python3", {"/usr/bin"});
    if (python.isEmpty())
        python = QStandardPaths::findExecutable("python3");
    return QJsonDocument::fromJson(run(python, {"-c", ReadScript, path}).output.toUtf8()).object();
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
    if (nobody) {
        setfsgid(65534);
        setfsuid(65534);
    }
    const int started = preview ? zip.Preview(false) : zip.Zip();
    if (nobody) {
        setfsuid(0);
        setfsgid(0);
    }
    if (started != ZipResult::Success ||
        !QTest::qWaitFor([&] { return completed.count() > 0; }, Timeout))
        return QList<QVariant>(9, QVariant(-1));
    return completed.takeFirst();
}

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
        QFile::setPermissions(folder + "/index.htm",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        const QDateTime modified = QDateTime::fromSecsSinceEpoch(1600000000); // 2020-09-13
        {
            QFile handle(folder + "/index.htm");
            QVERIFY(handle.open(QIODevice::ReadWrite) &&
                    handle.setFileTime(modified, QFile::FileModificationTime));
        }
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
        QCOMPARE(completed.value(8).toInt(), ZipResult::Success);
        QCOMPARE(QString::fromUtf8(m_debug),
                 QString("zip: left out \"%1\": the archive holds \"etc/index.htm\" already\n")
                     .arg(folder + "/sub dir/page.htm"));
        const QJsonObject archive = readArchive(zip.archivePath());
        QCOMPARE(archive["problem"].toString(), "ok");
        // Images are stored as they are, text deflated, as the event announced.
        QCOMPARE(methods, (QList<int>{8, 8, 0, 0, 8, 8, 8}));
        const QStringList names{folder.mid(1) + "/.hidden.css",
                                "Zeta.js",
                                "img/Logo.PNG",
                                "img/ünï cödé.gif",
                                "etc/index.htm",
                                "ETC/index.htm"};
        const QJsonArray entries = archive["entries"].toArray();
        QCOMPARE(entries.size(), names.size());
        for (qsizetype i = 0; i < names.size(); ++i) {
            QCOMPARE(entries[i]["name"].toString(), names[i]);
            QCOMPARE(entries[i]["method"].toInt(), methods[i]);
            QCOMPARE(entries[i]["flags"].toInt() & 0x800, names[i].contains(u'ü') ? 0x800 : 0);
            QCOMPARE(entries[i]["system"].toInt(), 3);
        }
        const QJsonValue index = entries[4];
        QCOMPARE(index["external"].toInteger() >> 16, 0100640);
        const QDateTime dosTime = QDateTime::fromString(index["time"].toString(), Qt::ISODate);
        QVERIFY2(qAbs(dosTime.secsTo(modified)) <= 1, qPrintable(dosTime.toString()));
        // The central extended timestamp: the local flags (both times), the modified time only.
        const quint32 utc = qToLittleEndian(quint32(modified.toSecsSinceEpoch()));
        QVERIFY(QByteArray::fromHex(index["extra"].toString().toLatin1())
                    .contains(QByteArray("UT\x05\x00\x03", 5) + QByteArray((const char *)&utc, 4)));
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
        const QJsonObject archive = readArchive(path("out/3.zip"));
        QCOMPARE(archive["problem"].toString(), "ok");
        const QJsonArray written = archive["entries"].toArray();
        QCOMPARE(written.size(), files.size());
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

    // More than 65,535 entries: the archive needs the zip64 end records.
    void moreThan65535Entries()
    {
        constexpr int Entries = 70000;
        const QString page = path("p.htm"), archive = path("many.zip");
        writeFile(page, "<p>a page</p>");
        Internal::EntryList entries;
        for (int i = 0; i < Entries; ++i)
            entries.add({13, 0, 0, 0, 0100644, false}, page, page, QString("p%1.htm").arg(i));
        std::atomic_bool cancel = false;
        Internal::ArchiveWriter writer(archive, MetadataOption::All, 2, cancel, {});
        QCOMPARE(writer.write(entries).filesWritten, Entries);
        // The zip64 end record, its locator, then the classic record that points to them.
        QFile file(archive);
        QVERIFY(file.open(QIODevice::ReadOnly) && file.seek(file.size() - 22 - 20 - 56));
        QCOMPARE(file.readAll().left(4), QByteArray("PK\x06\x06", 4));
        const ToolResult info = run("zipinfo", {"-t", archive});
        QVERIFY2(info.output.startsWith(QString::number(Entries) + " files"),
                 qPrintable(info.output));
        QCOMPARE(run("unzip", {"-tq", archive}).exitCode, 0);
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
