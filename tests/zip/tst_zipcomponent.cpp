#include "platform/debugoutput.h"
#include "zip/zipcomponent.h"
#include "ziptestsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>

using namespace Corvane::Zip;
using namespace ZipTest;

namespace {

constexpr int Timeout = 60000;

// sFilename, sSourceFilename, bExcluded of ZipPreprocessingFile.
using Preprocess = std::function<void(QString *name, const QString &source, bool *excluded)>;

void onPreprocess(ZipComponent *zip, Preprocess handler)
{
    QObject::connect(zip, &ZipComponent::ZipPreprocessingFile, zip,
                     [handler](QString *sFilename, const QString &, const QString &sSourceFilename,
                               qint64, qint32, const QDateTime &, const QDateTime &,
                               const QDateTime &, qint32, bool, const QString &, bool *bExcluded,
                               qint32, bool) { handler(sFilename, sSourceFilename, bExcluded); });
}

struct Previewed
{
    QStringList names;
    QStringList sources;
};

QByteArray randomBytes(qsizetype size)
{
    QList<quint32> words((size + 3) / 4);
    QRandomGenerator(4711).fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char *>(words.constData()), size);
}

// Text that deflates well but not to nothing.
QByteArray pageText(int seed, int lines)
{
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += "<p class=\"item\">Line " + QByteArray::number(i * 7919 + seed) + " of page " +
                QByteArray::number(seed) + "</p>\n";
    return text;
}

} // namespace

class TestZipComponent : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void previewReportsEveryFileInNameOrder_data();
    void previewReportsEveryFileInNameOrder();
    void previewEntries_data();
    void previewEntries();
    void previewFillsSizeAttributesAndDates();
    void linkLoopsAreWalkedOnce();

    void zipStoresTheNamesHandlersLeave();
    void zipDefaultNames_data();
    void zipDefaultNames();
    void handlerNamesAreMadeSafe();
    void compressedContentIsStored_data();
    void compressedContentIsStored();
    void unicodeNamesAreFlaggedUtf8();
    void emptyArchive_data();
    void emptyArchive();
    void duplicateNamesKeepTheFirst();
    void unreadableFileFailsWithoutArchive_data();
    void unreadableFileFailsWithoutArchive();
    void unwritableArchiveFails();
    void metadataOptions_data();
    void metadataOptions();
    void withoutTimesTheArchiveIsReproducible();

    void eventsComeInOrderOnTheOwnersThread();
    void secondOperationWhileBusyIsRefused();
    void cancelLeavesTheArchiveFileAsItWas();
    void destroyingMidWorkStopsCleanly_data();
    void destroyingMidWorkStopsCleanly();

private:
    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    void makeWebTree();
    Previewed preview(ZipComponent &zip);
    // Runs Zip() to its end; returns the ProcessCompleted arguments (all -1 when it did not end).
    QList<QVariant> zipToEnd(ZipComponent &zip);
    QString newArchiveFile(const QByteArray &content = {});

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_debug;
};

void TestZipComponent::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_debug.clear();
    Corvane::Platform::setDebugOutputSink([this](const QByteArray &text) { m_debug += text; });
}

void TestZipComponent::cleanup()
{
    Corvane::Platform::setDebugOutputSink({});
    m_dir.reset();
}

// Web Pads/.hidden.css, Zeta.js, img/Logo.PNG, img/ünï cödé.gif, index.htm,
// sub dir/deeper/x.js, sub dir/page.htm - name order, hidden file, mixed case,
// spaces and non-ASCII names.
void TestZipComponent::makeWebTree()
{
    writeFile(path("Web Pads/index.htm"), "<html>index</html>");
    writeFile(path("Web Pads/.hidden.css"), "body { color: red }");
    writeFile(path("Web Pads/Zeta.js"), pageText(1, 50));
    writeFile(path("Web Pads/img/Logo.PNG"), randomBytes(3000));
    writeFile(path("Web Pads/img/ünï cödé.gif"), randomBytes(500));
    writeFile(path("Web Pads/sub dir/page.htm"), pageText(2, 200));
    writeFile(path("Web Pads/sub dir/deeper/x.js"), "var x = 1;");
}

Previewed TestZipComponent::preview(ZipComponent &zip)
{
    Previewed result;
    QObject::connect(&zip, &ZipComponent::PreviewingFile, &zip,
                     [&result](const QString &sFilename, const QString &sSourceFilename) {
                         result.names.append(sFilename);
                         result.sources.append(sSourceFilename);
                     });
    QSignalSpy completed(&zip, &ZipComponent::ProcessCompleted);
    if (zip.Preview(false) != ZipResult::Success)
        return result;
    if (!QTest::qWaitFor([&] { return completed.count() > 0; }, Timeout))
        qWarning("the preview did not complete");
    return result;
}

QList<QVariant> TestZipComponent::zipToEnd(ZipComponent &zip)
{
    const QList<QVariant> failed(9, QVariant(-1));
    QSignalSpy completed(&zip, &ZipComponent::ProcessCompleted);
    if (zip.Zip() != ZipResult::Success)
        return failed;
    if (!QTest::qWaitFor([&] { return completed.count() > 0; }, Timeout))
        return failed;
    return completed.takeFirst();
}

QString TestZipComponent::newArchiveFile(const QByteArray &content)
{
    QDir().mkpath(path("out"));
    const QString file = path("out/tmpArchive");
    writeFile(file, content);
    return file;
}

void TestZipComponent::previewReportsEveryFileInNameOrder_data()
{
    QTest::addColumn<bool>("includeSubfolders");
    QTest::addColumn<bool>("preservePaths");
    QTest::addColumn<QStringList>("found");
    const QStringList top{".hidden.css", "Zeta.js", "index.htm"};
    const QStringList all{".hidden.css",      "Zeta.js",   "img/Logo.PNG",
                          "img/ünï cödé.gif", "index.htm", "sub dir/deeper/x.js",
                          "sub dir/page.htm"};
    QTest::newRow("folder only, paths kept") << false << true << top;
    QTest::newRow("folder only, bare names") << false << false << top;
    QTest::newRow("with subfolders, paths kept") << true << true << all;
    QTest::newRow("with subfolders, bare names") << true << false << all;
}

void TestZipComponent::previewReportsEveryFileInNameOrder()
{
    QFETCH(bool, includeSubfolders);
    QFETCH(bool, preservePaths);
    QFETCH(QStringList, found);
    makeWebTree();
    // The folder is listed in another letter case than it has on disk.
    const QString listed = path("web pads");
    ZipComponent zip;
    zip.setFilesToProcess("|" + listed + "/*");
    zip.setIncludeSubfolders(includeSubfolders);
    zip.setPreservePaths(preservePaths);
    const Previewed previewed = preview(zip);

    QStringList sources;
    QStringList names;
    for (const QString &relative : found) {
        sources.append(listed + "/" + relative);
        names.append(preservePaths ? sources.last().mid(1)
                                   : relative.mid(relative.lastIndexOf('/') + 1));
    }
    QCOMPARE(previewed.sources, sources);
    QCOMPARE(previewed.names, names);
}

void TestZipComponent::previewEntries_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QString>("debugLine");
    // %1 stands for the test folder.
    QTest::newRow("single file as spelled in the list")
        << "|%1/web pads/INDEX.HTM" << QStringList{"%1/web pads/INDEX.HTM"} << QString();
    QTest::newRow("pattern matched without regard to case")
        << "|%1/Web Pads/*.HTM"
        << QStringList{"%1/Web Pads/index.htm", "%1/Web Pads/sub dir/page.htm"} << QString();
    QTest::newRow("bare folder as if joined with *")
        << "|%1/Web Pads/img"
        << QStringList{"%1/Web Pads/img/Logo.PNG", "%1/Web Pads/img/ünï cödé.gif"} << QString();
    QTest::newRow("entries in list order")
        << "|%1/Web Pads/sub dir/*|%1/Web Pads/img/*"
        << QStringList{"%1/Web Pads/sub dir/deeper/x.js", "%1/Web Pads/sub dir/page.htm",
                       "%1/Web Pads/img/Logo.PNG", "%1/Web Pads/img/ünï cödé.gif"}
        << QString();
    QTest::newRow("nested folder reported twice")
        << "|%1/Web Pads/sub dir/deeper/*|%1/Web Pads/sub dir/*"
        << QStringList{"%1/Web Pads/sub dir/deeper/x.js", "%1/Web Pads/sub dir/deeper/x.js",
                       "%1/Web Pads/sub dir/page.htm"}
        << QString();
    QTest::newRow("missing folder named in the debug output")
        << "|%1/No Such Pads/*|%1/Web Pads/sub dir/deeper/*"
        << QStringList{"%1/Web Pads/sub dir/deeper/x.js"}
        << "zip: nothing found for \"%1/No Such Pads/*\"\n";
    QTest::newRow("empty list") << QString() << QStringList() << QString();
}

void TestZipComponent::previewEntries()
{
    QFETCH(QString, list);
    QFETCH(QStringList, sources);
    QFETCH(QString, debugLine);
    makeWebTree();
    const QString root = m_dir->path();
    ZipComponent zip;
    zip.setFilesToProcess(QString(list).replace("%1", root));
    zip.setIncludeSubfolders(true);
    zip.setPreservePaths(true);
    QSignalSpy completed(&zip, &ZipComponent::ProcessCompleted);
    const Previewed previewed = preview(zip);

    for (QString &source : sources)
        source.replace("%1", root);
    QCOMPARE(previewed.sources, sources);
    QCOMPARE(completed.count(), 1);
    QCOMPARE(completed.at(0).at(0).toInt(), sources.size());     // lFilesTotal
    QCOMPARE(completed.at(0).at(8).toInt(), ZipResult::Success); // xResult
    QCOMPARE(QString::fromUtf8(m_debug), debugLine.replace("%1", root));
}

void TestZipComponent::previewFillsSizeAttributesAndDates()
{
    makeWebTree();
    QFile::setPermissions(path("Web Pads/index.htm"), QFile::ReadOwner | QFile::ReadGroup);
    ZipComponent zip;
    zip.setFilesToProcess("|" + path("Web Pads") + "/*");
    struct Reported
    {
        qint64 size;
        qint32 attributes;
        QDateTime modified;
    };
    QHash<QString, Reported> reported;
    connect(&zip, &ZipComponent::PreviewingFile, &zip,
            [&](const QString &, const QString &source, qint64 size, qint32 attributes,
                const QDateTime &modified) {
                reported.insert(QFileInfo(source).fileName(), {size, attributes, modified});
            });
    preview(zip);

    QCOMPARE(reported.size(), 3);
    const QFileInfo page(path("Web Pads/Zeta.js"));
    QCOMPARE(reported["Zeta.js"].size, page.size());
    QCOMPARE(reported["Zeta.js"].modified.toMSecsSinceEpoch(),
             page.lastModified().toMSecsSinceEpoch());
    QCOMPARE(reported["Zeta.js"].attributes, FileAttribute::Archive);
    QCOMPARE(reported[".hidden.css"].attributes, FileAttribute::Archive | FileAttribute::Hidden);
    QCOMPARE(reported["index.htm"].attributes, FileAttribute::Archive | FileAttribute::ReadOnly);
}

void TestZipComponent::linkLoopsAreWalkedOnce()
{
    makeWebTree();
    QVERIFY(QFile::link("..", path("Web Pads/sub dir/loop")));
    QVERIFY(QFile::link(path("Web Pads/sub dir"), path("Web Pads/again")));
    QVERIFY(QFile::link(path("Web Pads/index.htm"), path("Web Pads/start.htm")));
    QVERIFY(QFile::link(path("Web Pads/gone.htm"), path("Web Pads/dangling.htm")));
    ZipComponent zip;
    zip.setFilesToProcess("|" + path("Web Pads") + "/*");
    zip.setIncludeSubfolders(true);
    const Previewed previewed = preview(zip);

    // "again" leads to "sub dir" first (name order); "sub dir" itself and the
    // loop back to the top are then skipped; a link to a file is followed, a
    // dangling one is not reported.
    const QString top = path("Web Pads") + "/";
    QCOMPARE(previewed.sources,
             (QStringList{top + ".hidden.css", top + "Zeta.js", top + "again/deeper/x.js",
                          top + "again/page.htm", top + "img/Logo.PNG", top + "img/ünï cödé.gif",
                          top + "index.htm", top + "start.htm"}));
    QVERIFY2(m_debug.contains("sub dir\" leads to a folder walked already"), m_debug);
}

void TestZipComponent::zipStoresTheNamesHandlersLeave()
{
    makeWebTree();
    const QString folder = path("Web Pads");
    ZipComponent zip;
    zip.setFilesToProcess("|" + folder + "/*");
    zip.setIncludeSubfolders(true);
    zip.setPreservePaths(true);
    zip.setArchivePath(newArchiveFile());
    // As the archiver does: the name relative to the folder; one file left out.
    onPreprocess(&zip, [folder](QString *name, const QString &source, bool *excluded) {
        *name = source.mid(folder.size() + 1);
        if (source.endsWith(".hidden.css"))
            *excluded = true;
    });
    const QList<QVariant> completed = zipToEnd(zip);
    QCOMPARE(completed.value(8).toInt(), ZipResult::Success);
    QCOMPARE(completed.at(0).toInt(), 7);                                        // lFilesTotal
    QCOMPARE(completed.at(1).toInt(), 6);                                        // lFilesProcessed
    QCOMPARE(completed.at(2).toInt(), 1);                                        // lFilesSkipped
    QCOMPARE(completed.at(6).toLongLong(), QFileInfo(zip.archivePath()).size()); // lBytesOutput

    const ToolResult test = run("unzip", {"-t", zip.archivePath()});
    QVERIFY2(test.exitCode == 0, qPrintable(test.output));
    const ToolResult info = run("zipinfo", {zip.archivePath()});
    QVERIFY2(info.exitCode == 0, qPrintable(info.output));
    QVERIFY2(info.output.contains("6 files"), qPrintable(info.output));
    if (!havePython())
        QSKIP("python3 is missing: entry details not checked");
    const Archive archive = readArchive(zip.archivePath());
    QVERIFY2(archive.valid, qPrintable(archive.problem));
    QCOMPARE(archive.names(),
             (QStringList{"Zeta.js", "img/Logo.PNG", "img/ünï cödé.gif", "index.htm",
                          "sub dir/deeper/x.js", "sub dir/page.htm"}));
    for (const Entry &entry : archive.entries) {
        QFile source(folder + "/" + entry.name);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QVERIFY2(entry.data == source.readAll(), qPrintable(entry.name));
    }
}

void TestZipComponent::zipDefaultNames_data()
{
    QTest::addColumn<bool>("preservePaths");
    QTest::newRow("paths kept") << true;
    QTest::newRow("bare names") << false;
}

void TestZipComponent::zipDefaultNames()
{
    QFETCH(bool, preservePaths);
    if (!havePython())
        QSKIP("python3 is missing");
    makeWebTree();
    ZipComponent zip;
    zip.setFilesToProcess("|" + path("Web Pads/sub dir") + "/*");
    zip.setIncludeSubfolders(true);
    zip.setPreservePaths(preservePaths);
    zip.setArchivePath(newArchiveFile());
    QCOMPARE(zipToEnd(zip).value(8).toInt(), ZipResult::Success);

    const QString prefix = preservePaths ? path("Web Pads/sub dir/").mid(1) : QString();
    QCOMPARE(readArchive(zip.archivePath(), false).names(),
             (QStringList{prefix + (preservePaths ? "deeper/x.js" : "x.js"), prefix + "page.htm"}));
}

void TestZipComponent::handlerNamesAreMadeSafe()
{
    if (!havePython())
        QSKIP("python3 is missing");
    writeFile(path("pads/a.htm"), "a");
    writeFile(path("pads/b.htm"), "b");
    writeFile(path("pads/c.htm"), "c");
    writeFile(path("pads/d.htm"), "d");
    ZipComponent zip;
    zip.setFilesToProcess("|" + path("pads") + "/*");
    zip.setArchivePath(newArchiveFile());
    const QHash<QString, QString> renames{{"a.htm", "../../etc/a.htm"},
                                          {"b.htm", path("abs/b.htm")},
                                          {"c.htm", "img\\sub\\c.htm"},
                                          {"d.htm", "./.."}};
    onPreprocess(&zip, [&](QString *name, const QString &, bool *) { *name = renames[*name]; });
    QCOMPARE(zipToEnd(zip).value(8).toInt(), ZipResult::Success);
    // An unusable name falls back to the default one.
    QCOMPARE(readArchive(zip.archivePath(), false).names(),
             (QStringList{"etc/a.htm", path("abs/b.htm").mid(1), "img/sub/c.htm", "d.htm"}));
}

void TestZipComponent::compressedContentIsStored_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("method");
    for (const char *name :
         {"photo.png", "photo.JPG", "photo.jpeg", "anim.gif", "pic.webp", "font.woff", "font.woff2",
          "bundle.zip", "app.js.gz", "doc.pdf", "song.mp3", "clip.mp4"})
        QTest::newRow(name) << QString::fromLatin1(name) << 0;
    for (const char *name : {"index.htm", "site.css", "app.js", "icon.svg", "data.json", "README"})
        QTest::newRow(name) << QString::fromLatin1(name) << 8;
}

void TestZipComponent::compressedContentIsStored()
{
    QFETCH(QString, fileName);
    QFETCH(int, method);
    if (!havePython())
        QSKIP("python3 is missing");
    writeFile(path("pads/" + fileName), pageText(3, 100));
    ZipComponent zip;
    zip.setFilesToProcess("|" + path("pads") + "/*");
    zip.setArchivePath(newArchiveFile());
    int announced = -1;
    connect(&zip, &ZipComponent::ZipPreprocessingFile, &zip,
            [&](QString *, const QString &, const QString &, qint64, qint32, const QDateTime &,
                const QDateTime &, const QDateTime &, qint32 xMethod) { announced = xMethod; });
    QCOMPARE(zipToEnd(zip).value(8).toInt(), ZipResult::Success);
    const Archive archive = readArchive(zip.archivePath());
    QVERIFY2(archive.valid, qPrintable(archive.problem));
    QCOMPARE(archive.entries.size(), 1);
    QCOMPARE(archive.entries[0].method, method);
    QCOMPARE(announced, method);
    QCOMPARE(archive.entries[0].data, pageText(3, 100));
}

void TestZipComponent::unicodeNamesAreFlaggedUtf8()
{
    writeFile(path("pads/Ωmega straße.htm"), "omega");
    writeFile(path("pads/plain.htm"), "plain");
    ZipComponent zip;
    zip.setFilesToProcess("|" + path("pads") + "/*");
    zip.setArchivePath(newArchiveFile());
    QCOMPARE(zipToEnd(zip).value(8).toInt(), ZipResult::Success);

    const ToolResult test = run("unzip", {"-t", zip.archivePath()});
    QVERIFY2(test.exitCode == 0, qPrintable(test.output));
    if (!havePython())
        QSKIP("python3 is missing");
    const Archive archive = readArchive(zip.archivePath());
    QCOMPARE(archive.names(), (QStringList{"plain.htm", "Ωmega straße.htm"}));
    QCOMPARE(archive.entries[0].flags & 0x800, 0);
    QCOMPARE(archive.entries[1].flags & 0x800, 0x800);
}

void TestZipComponent::emptyArchive_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("excludeAll");
    QTest::newRow("empty list") << QString() << false;
    QTest::newRow("folder without files") << "|%1/nothing/*" << false;
    QTest::newRow("every file excluded") << "|%1/Web Pads/*" << true;
}

void TestZipComponent::emptyArchive()
{
    QFETCH(QString, list);
    QFETCH(bool, excludeAll);
    makeWebTree();
    QDir().mkpath(path("nothing"));
    ZipComponent zip;
    zip.setFilesToProcess(QString(list).replace("%1", m_dir->path()));
    zip.setArchivePath(newArchiveFile());
    onPreprocess(
        &zip, [excludeAll](QString *, const QString &, bool *excluded) { *excluded = excludeAll; });
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
    if (!havePython())
        QSKIP("python3 is missing");
    const Archive archive = readArchive(zip.archivePath());
    QVERIFY2(archive.valid, qPrintable(archive.problem));
    QVERIFY(archive.entries.isEmpty());
}

void TestZipComponent::duplicateNamesKeepTheFirst()
{
    writeFile(path("pads/a/index.htm"), "first");
    writeFile(path("pads/b/index.htm"), "second");
    writeFile(path("pads/c/Index.htm"), "other case");
    ZipComponent zip;
    zip.setFilesToProcess("|" + path("pads") + "/*");
    zip.setIncludeSubfolders(true);
    zip.setPreservePaths(false); // every file under its bare name
    zip.setArchivePath(newArchiveFile());
    const QList<QVariant> completed = zipToEnd(zip);
    QCOMPARE(completed.value(8).toInt(), ZipResult::Success);
    QCOMPARE(completed.at(1).toInt(), 2); // lFilesProcessed
    QCOMPARE(completed.at(2).toInt(), 1); // lFilesSkipped
    QCOMPARE(QString::fromUtf8(m_debug),
             QString("zip: left out \"%1\": the archive holds \"index.htm\" already\n")
                 .arg(path("pads/b/index.htm")));
    if (!havePython())
        QSKIP("python3 is missing");
    const Archive archive = readArchive(zip.archivePath());
    QCOMPARE(archive.names(), (QStringList{"index.htm", "Index.htm"}));
    QCOMPARE(archive.entries[0].data, QByteArray("first"));
}

void TestZipComponent::unreadableFileFailsWithoutArchive_data()
{
    QTest::addColumn<bool>("becomesFolder");
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("deleted after its event, empty archive file") << false << QByteArray();
    QTest::newRow("replaced by a folder, empty archive file") << true << QByteArray();
    QTest::newRow("deleted after its event, archive file with content")
        << false << QByteArray("previous content");
}

void TestZipComponent::unreadableFileFailsWithoutArchive()
{
    QFETCH(bool, becomesFolder);
    QFETCH(QByteArray, before);
    makeWebTree();
    const QString victim = path("Web Pads/sub dir/page.htm");
    ZipComponent zip;
    zip.setFilesToProcess("|" + path("Web Pads") + "/*");
    zip.setIncludeSubfolders(true);
    zip.setArchivePath(newArchiveFile(before));
    onPreprocess(&zip, [&](QString *, const QString &source, bool *) {
        if (source == victim) {
            QFile::remove(victim);
            if (becomesFolder)
                QDir().mkpath(victim);
        }
    });
    const QList<QVariant> completed = zipToEnd(zip);
    QCOMPARE(completed.value(8).toInt(), ZipResult::ReadError);
    QVERIFY2(zip.lastError().contains("\"" + victim + "\""), qPrintable(zip.lastError()));
    QVERIFY(m_debug.contains(victim.toUtf8()));

    QFile archive(zip.archivePath());
    QVERIFY(archive.open(QIODevice::ReadOnly));
    QCOMPARE(archive.readAll(), before);
    QCOMPARE(filesIn(path("out")), QStringList{"tmpArchive"});
}

void TestZipComponent::unwritableArchiveFails()
{
    makeWebTree();
    ZipComponent zip;
    zip.setFilesToProcess("|" + path("Web Pads") + "/*");
    zip.setArchivePath(path("missing folder/archive.zip"));
    QCOMPARE(zipToEnd(zip).value(8).toInt(), ZipResult::WriteError);
    QVERIFY2(zip.lastError().contains(zip.archivePath()), qPrintable(zip.lastError()));
    QVERIFY(!QFileInfo::exists(path("missing folder")));

    zip.setArchivePath(QString());
    QCOMPARE(zipToEnd(zip).value(8).toInt(), ZipResult::WriteError);
    QVERIFY(zip.lastError().contains("ArchivePath"));
}

void TestZipComponent::metadataOptions_data()
{
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("unixMode");
    QTest::addColumn<bool>("fileTime");
    QTest::addColumn<bool>("extendedTimestamp");
    QTest::addColumn<bool>("accessTime");
    QTest::newRow("all (2570)") << MetadataOption::All << true << true << true << true;
    QTest::newRow("none") << 0 << false << false << false << false;
    QTest::newRow("unix permissions only")
        << MetadataOption::UnixPermissions << true << false << false << false;
    QTest::newRow("time without extended timestamp")
        << MetadataOption::ModificationTime << false << true << false << false;
    QTest::newRow("extended timestamp without access time")
        << (MetadataOption::ModificationTime | MetadataOption::ExtendedTimestamp) << false << true
        << true << false;
}

void TestZipComponent::metadataOptions()
{
    QFETCH(int, options);
    QFETCH(bool, unixMode);
    QFETCH(bool, fileTime);
    QFETCH(bool, extendedTimestamp);
    QFETCH(bool, accessTime);
    if (!havePython())
        QSKIP("python3 is missing");
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
    zip.setMetadataOptions(options);
    zip.setFilesToProcess("|" + path("pads") + "/*");
    zip.setArchivePath(newArchiveFile());
    QCOMPARE(zipToEnd(zip).value(8).toInt(), ZipResult::Success);

    const Archive archive = readArchive(zip.archivePath());
    QCOMPARE(archive.entries.size(), 1);
    const Entry &entry = archive.entries[0];
    QCOMPARE(entry.system, unixMode ? 3 : 0);
    if (unixMode)
        QCOMPARE(entry.external >> 16, 0100640u);
    else
        QCOMPARE(entry.external >> 16, 0u);
    // The MS-DOS field holds local time in two-second steps.
    const QDateTime expected =
        fileTime ? modified.toLocalTime() : QDateTime(QDate(1980, 1, 1), QTime(0, 0));
    QVERIFY2(qAbs(entry.dosTime.secsTo(expected)) <= 1, qPrintable(entry.dosTime.toString()));
    QCOMPARE(entry.centralExtra.contains(QByteArray("UT\x05\x00", 4)), extendedTimestamp);
    if (extendedTimestamp) {
        const QByteArray central("UT\x05\x00", 4);
        const qsizetype at = entry.centralExtra.indexOf(central) + central.size();
        const uchar *time =
            reinterpret_cast<const uchar *>(entry.centralExtra.constData() + at + 1);
        QCOMPARE(qint64(time[0] | time[1] << 8 | time[2] << 16 | quint32(time[3]) << 24),
                 modified.toSecsSinceEpoch());
    }
    const ToolResult details = run("zipinfo", {"-v", zip.archivePath()});
    QCOMPARE(details.output.contains("local extra field has UTC/GMT modification/access times"),
             accessTime);
}

void TestZipComponent::withoutTimesTheArchiveIsReproducible()
{
    makeWebTree();
    auto zipOnce = [this](const QString &name) {
        ZipComponent zip;
        zip.setMetadataOptions(0);
        zip.setFilesToProcess("|" + path("Web Pads") + "/*");
        zip.setIncludeSubfolders(true);
        zip.setArchivePath(path(name));
        writeFile(zip.archivePath(), {});
        zipToEnd(zip);
        QFile file(zip.archivePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray first = zipOnce("first.zip");
    QFile touched(path("Web Pads/index.htm"));
    QVERIFY(touched.open(QIODevice::ReadWrite));
    QVERIFY(
        touched.setFileTime(QDateTime::currentDateTime().addDays(-3), QFile::FileModificationTime));
    touched.close();
    const QByteArray second = zipOnce("second.zip");
    QVERIFY(!first.isEmpty());
    QVERIFY(first == second);
}

void TestZipComponent::eventsComeInOrderOnTheOwnersThread()
{
    for (int i = 0; i < 40; ++i)
        writeFile(path(QString("pads/page%1.htm").arg(i, 2, 10, QChar('0'))), pageText(i, 2000));
    ZipComponent zip;
    zip.setFilesToProcess("|" + path("pads") + "/*");
    zip.setArchivePath(newArchiveFile());
    QStringList events;
    QList<int> percents;
    bool offThread = false;
    auto note = [&](const QString &event) {
        offThread = offThread || QThread::currentThread() != QCoreApplication::instance()->thread();
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
    QCOMPARE(events.size(), 41);
    QCOMPARE(events.count("previewing"), 40);
    QCOMPARE(events.last(), QString("completed"));

    events.clear();
    QCOMPARE(zip.Zip(), ZipResult::Success);
    QTRY_COMPARE_WITH_TIMEOUT(completed.count(), 2, Timeout);
    QTest::qWait(50);
    QVERIFY(!offThread);
    QCOMPARE(events.count("preprocessing"), 40);
    QCOMPARE(events.mid(0, 40), QStringList(40, "preprocessing"));
    QCOMPARE(events.last(), QString("completed"));
    QCOMPARE(events.count("completed"), 1);
    QCOMPARE(events.count("status"), percents.size());
    QVERIFY2(percents.size() >= 5, qPrintable(QString::number(percents.size())));
    QString seen;
    for (int percent : percents)
        seen += QString::number(percent) + ' ';
    for (qsizetype i = 1; i < percents.size(); ++i)
        QVERIFY2(percents[i] > percents[i - 1], qPrintable(seen));
    QCOMPARE(percents.last(), 100);
}

void TestZipComponent::secondOperationWhileBusyIsRefused()
{
    makeWebTree();
    ZipComponent zip;
    zip.setFilesToProcess("|" + path("Web Pads") + "/*");
    zip.setArchivePath(newArchiveFile());
    QSignalSpy completed(&zip, &ZipComponent::ProcessCompleted);
    QCOMPARE(zip.Zip(), ZipResult::Success);
    QVERIFY(zip.isBusy());
    QCOMPARE(zip.Preview(false), ZipResult::Busy);
    QCOMPARE(zip.Zip(), ZipResult::Busy);
    QTRY_COMPARE_WITH_TIMEOUT(completed.count(), 1, Timeout);
    QVERIFY(!zip.isBusy());
    QTest::qWait(50);
    QCOMPARE(completed.count(), 1);
    QCOMPARE(zip.Preview(false), ZipResult::Success);
    QTRY_COMPARE_WITH_TIMEOUT(completed.count(), 2, Timeout);
}

void TestZipComponent::cancelLeavesTheArchiveFileAsItWas()
{
    for (int i = 0; i < 12; ++i)
        writeFile(path(QString("pads/blob%1.bin").arg(i)), randomBytes(1 << 20));
    ZipComponent zip;
    zip.setFilesToProcess("|" + path("pads") + "/*");
    zip.setArchivePath(newArchiveFile());
    QSignalSpy status(&zip, &ZipComponent::GlobalStatus);
    QSignalSpy completed(&zip, &ZipComponent::ProcessCompleted);
    QCOMPARE(zip.Zip(), ZipResult::Success);
    QTRY_VERIFY_WITH_TIMEOUT(!status.isEmpty(), Timeout); // compressing
    zip.Cancel();
    QTRY_COMPARE_WITH_TIMEOUT(completed.count(), 1, Timeout);
    QCOMPARE(completed.at(0).at(8).toInt(), ZipResult::Cancelled);
    QTest::qWait(50);
    QCOMPARE(completed.count(), 1);
    QCOMPARE(QFileInfo(zip.archivePath()).size(), 0);
    QCOMPARE(filesIn(path("out")), QStringList{"tmpArchive"});
}

void TestZipComponent::destroyingMidWorkStopsCleanly_data()
{
    QTest::addColumn<QString>("when");
    QTest::newRow("right after Preview") << "preview";
    QTest::newRow("right after Zip") << "zip";
    QTest::newRow("while compressing") << "compressing";
    QTest::newRow("by a handler of its file event") << "preprocessing";
    QTest::newRow("by a handler of its completion") << "completed";
}

void TestZipComponent::destroyingMidWorkStopsCleanly()
{
    QFETCH(QString, when);
    for (int i = 0; i < 12; ++i)
        writeFile(path(QString("pads/blob%1.bin").arg(i)), randomBytes(1 << 20));
    const QString archive = newArchiveFile();
    auto *zip = new ZipComponent;
    zip->setFilesToProcess("|" + path("pads") + "/*");
    zip->setArchivePath(archive);
    int events = 0;
    bool destroyed = false;
    QObject receiver;
    auto count = [&] {
        QVERIFY(!destroyed);
        ++events;
    };
    connect(zip, &ZipComponent::PreviewingFile, &receiver, count);
    connect(zip, &ZipComponent::GlobalStatus, &receiver, count);
    connect(zip, &ZipComponent::ProcessCompleted, &receiver, count);
    connect(zip, &ZipComponent::ZipPreprocessingFile, &receiver, [&] {
        count();
        if (when == "preprocessing" && events == 3) {
            destroyed = true;
            delete zip;
        }
    });
    connect(zip, &ZipComponent::ProcessCompleted, &receiver, [&] {
        if (when == "completed") {
            destroyed = true;
            delete zip;
        }
    });

    if (when == "preview") {
        QCOMPARE(zip->Preview(false), ZipResult::Success);
        destroyed = true;
        delete zip;
    } else {
        QCOMPARE(zip->Zip(), ZipResult::Success);
        if (when == "zip") {
            destroyed = true;
            delete zip;
        } else if (when == "compressing") {
            QSignalSpy status(zip, &ZipComponent::GlobalStatus);
            QVERIFY(QTest::qWaitFor([&] { return !status.isEmpty(); }, Timeout));
            destroyed = true;
            delete zip;
        }
    }
    QVERIFY(QTest::qWaitFor([&] { return destroyed; }, Timeout));
    const int seen = events;
    QTest::qWait(300);
    QCOMPARE(events, seen);
    if (when != "completed") {
        QCOMPARE(QFileInfo(archive).size(), 0);
    } else {
        const ToolResult test = run("unzip", {"-tq", archive});
        QVERIFY2(test.exitCode == 0, qPrintable(test.output));
    }
    QCOMPARE(filesIn(path("out")), QStringList{"tmpArchive"});
}

QTEST_GUILESS_MAIN(TestZipComponent)
#include "tst_zipcomponent.moc"
