// The publish pipeline against Info-ZIP: generates web folders (a mixed folder
// of pages, styles, scripts and images, and trees of many small files), runs
// the archiver from CreateArchive to Finished with a fake host, and `zip -r -q`
// on the same folder, each in a child process of its own, and prints the time
// ratio, the time per file and the peak memory of both.
//
//   bench_publish [--work DIR] [--mixed-mb N] [--trees 1000,10000,100000] [--rounds N]
//   bench_publish --publish FOLDER      (child: one publish, prints its numbers)

#include "addin/applicationmanager.h"
#include "model/actionpad.h"
#include "publish/actionpadarchiver.h"

#include "tests/fakehost/fakehost.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <random>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>

extern char **environ;

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// ---- generated folders ------------------------------------------------------

const char *const kWords[] = {
    "action",  "pad",     "customer", "order",  "invoice", "table",   "inspector", "overview",
    "publish", "archive", "folder",   "page",   "style",   "script",  "function",  "return",
    "value",   "class",   "div",      "span",   "header",  "footer",  "section",   "button",
    "input",   "label",   "width",    "height", "margin",  "padding", "border",    "color",
    "display", "block",   "flex",     "grid",   "const",   "let",     "document",  "window",
    "element", "event",   "click",    "load",   "data",    "fetch",   "then",      "table"};

class Generator
{
public:
    explicit Generator(quint64 seed)
        : m_rng(seed)
    {
    }

    QByteArray text(qint64 size, const QByteArray &kind)
    {
        QByteArray data;
        data.reserve(size + 200);
        std::uniform_int_distribution<int> word(0, int(std::size(kWords)) - 1);
        std::uniform_int_distribution<int> count(4, 14);
        std::uniform_int_distribution<int> number(0, 99999);
        while (data.size() < size) {
            QByteArray words;
            for (int i = count(m_rng); i > 0; --i)
                words += QByteArray(kWords[word(m_rng)]) + ' ';
            const int n = number(m_rng);
            if (kind == "css")
                data += '.' + QByteArray(kWords[word(m_rng)]) + '-' + QByteArray::number(n % 89) +
                        " { margin: " + QByteArray::number(n % 640) + "px; color: #" +
                        QByteArray::number(n, 16) + "; }\n";
            else if (kind == "js")
                data += "function " + QByteArray(kWords[word(m_rng)]) + QByteArray::number(n) +
                        "(a, b) { return a." + kWords[word(m_rng)] + "(b, " +
                        QByteArray::number(n) + "); } // " + words + '\n';
            else
                data += "<div class=\"" + QByteArray(kWords[word(m_rng)]) + "\"><p>" + words +
                        QByteArray::number(n) + "</p></div>\n";
        }
        data.truncate(size);
        return data;
    }

    // Content that does not compress, as in PNG and JPEG files.
    QByteArray noise(qint64 size)
    {
        QByteArray data(size, Qt::Uninitialized);
        auto *words = reinterpret_cast<quint64 *>(data.data());
        for (qint64 i = 0; i < size / 8; ++i)
            words[i] = m_rng();
        for (qint64 i = size / 8 * 8; i < size; ++i)
            data[i] = char(m_rng());
        return data;
    }

    qint64 between(qint64 low, qint64 high)
    {
        return std::uniform_int_distribution<qint64>(low, high)(m_rng);
    }

private:
    std::mt19937_64 m_rng;
};

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// A web folder of about `megabytes`: pages, styles and scripts that compress
// as such text does, and images that do not.
void makeMixedFolder(const QString &folder, qint64 megabytes)
{
    Generator gen(20240611);
    for (const char *sub : {"pages", "css", "js", "img/photos", "img/icons"})
        QDir().mkpath(folder + '/' + sub);
    writeFile(folder + "/index.htm", gen.text(8000, "html"));
    struct Kind
    {
        const char *folder, *extension, *kind;
        int share;
        qint64 low, high;
    };
    const Kind kinds[] = {{"pages", "htm", "html", 35, 2000, 40000},
                          {"css", "css", "css", 10, 1000, 50000},
                          {"js", "js", "js", 20, 2000, 200000},
                          {"img/icons", "png", "noise", 20, 2000, 300000},
                          {"img/photos", "jpg", "noise", 15, 10000, 500000}};
    qint64 total = 0;
    for (int index = 0; total < megabytes * 1024 * 1024; ++index) {
        int pick = int(gen.between(0, 99));
        const Kind *kind = &kinds[0];
        for (const Kind &k : kinds) {
            kind = &k;
            if (pick < k.share)
                break;
            pick -= k.share;
        }
        const qint64 size = gen.between(kind->low, kind->high);
        const QByteArray data =
            qstrcmp(kind->kind, "noise") == 0 ? gen.noise(size) : gen.text(size, kind->kind);
        writeFile(QStringLiteral("%1/%2/f%3.%4")
                      .arg(folder, kind->folder)
                      .arg(index, 5, 10, QLatin1Char('0'))
                      .arg(kind->extension),
                  data);
        total += size;
    }
}

// `files` small pages, 100 to a folder, below one index page.
void makeTree(const QString &folder, int files)
{
    Generator gen{quint64(files)};
    QDir().mkpath(folder);
    writeFile(folder + "/index.htm", gen.text(1200, "html"));
    for (int i = 1; i < files; ++i) {
        const QString sub = QStringLiteral("%1/s%2").arg(folder).arg(i / 100, 4, 10, QChar('0'));
        if (i % 100 == 0 || i == 1)
            QDir().mkpath(sub);
        writeFile(QStringLiteral("%1/p%2.htm").arg(sub).arg(i, 6, 10, QChar('0')),
                  gen.text(gen.between(400, 2000), "html"));
    }
}

// ---- child: one publish -------------------------------------------------------

// A "Vm..." line of /proc/self/status in kB: VmHWM is the peak resident size.
qint64 statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

int publishChild(const QString &folder)
{
    FakeHost::Host host;
    Brimble::ApplicationManager::SetApplication(&host.application);
    auto pads = std::make_shared<Brimble::ActionPadCollection>();
    auto pad = std::make_shared<Brimble::actionPad>();
    pad->setSource(QStringLiteral("Bench"));
    pad->setFilename(QDir::toNativeSeparators(folder + "/index.htm"));
    pads->add(QStringLiteral("Bench"), pad);

    Brimble::ActionPadArchiver archiver;
    archiver.setActionPads(pads);
    QString archive;
    QObject::connect(&archiver, &Brimble::ActionPadArchiver::Finished, qApp,
                     [&](const QString &name) {
                         archive = name;
                         qApp->quit();
                     });
    // The analysis ends where the zip step begins.
    QElapsedTimer timer;
    double analysis = 0;
    qint64 analysisKb = 0;
    const qint64 startKb = statusKilobytes("VmRSS:");
    QObject::connect(&archiver, &Brimble::ActionPadArchiver::EnterState, qApp,
                     [&](const QString &state) {
                         if (state == QLatin1String("CreateZipFile")) {
                             analysis = double(timer.nsecsElapsed()) / 1e9;
                             analysisKb = statusKilobytes("VmRSS:") - startKb;
                         }
                     });
    timer.start();
    archiver.CreateArchive();
    QApplication::exec();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    out() << "seconds " << seconds << " peak_kb " << statusKilobytes("VmHWM:") << " archive "
          << archive << " analysis " << analysis << " analysis_kb " << analysisKb << Qt::endl;
    Brimble::ApplicationManager::SetApplication(nullptr);
    return archive.isEmpty() ? 1 : 0;
}

// ---- driver -------------------------------------------------------------------

struct Measured
{
    double seconds = 0;
    qint64 peakKb = 0;
    qint64 archiveSize = 0;
    QString archive;
};

// Runs a program, waits, and measures its wall time and peak resident size.
bool runMeasured(const QStringList &arguments, const QString &workingFolder, Measured &measured,
                 QByteArray *output = nullptr)
{
    std::vector<QByteArray> storage;
    for (const QString &argument : arguments)
        storage.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const QString outputFile = QDir::tempPath() + "/bench_publish_child.out";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray outputPath = QFile::encodeName(outputFile);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const QString savedFolder = QDir::currentPath();
    QDir::setCurrent(workingFolder);
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    QDir::setCurrent(savedFolder);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    clock_gettime(CLOCK_MONOTONIC, &end);
    measured.seconds =
        double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) / 1e9;
    measured.peakKb = usage.ru_maxrss;
    QFile result(outputFile);
    if (output && result.open(QIODevice::ReadOnly))
        *output = result.readAll();
    QFile::remove(outputFile);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

int countEntries(const QString &archive)
{
    QProcess zipinfo;
    zipinfo.start(QStringLiteral("zipinfo"), {QStringLiteral("-1"), archive});
    zipinfo.waitForFinished(-1);
    return int(zipinfo.readAllStandardOutput().count('\n'));
}

bool unzipTest(const QString &archive)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-tqq"), archive});
    unzip.waitForFinished(-1);
    return unzip.exitStatus() == QProcess::NormalExit && unzip.exitCode() == 0;
}

struct SetResult
{
    QString name;
    int files = 0;
    double archiver = 0, analysis = 0, zip = 0;
    qint64 archiverPeak = 0, analysisKb = 0, zipPeak = 0, archiverSize = 0, zipSize = 0;
};

bool benchFolder(const QString &name, const QString &folder, int rounds, SetResult &result)
{
    result.name = name;
    QList<double> ours, analysis, theirs;
    const QString self = QCoreApplication::applicationFilePath();
    const QString zipFile = QDir::tempPath() + "/bench_publish_infozip.zip";
    for (int round = 0; round < rounds; ++round) {
        Measured measured;
        QByteArray output;
        if (!runMeasured({self, "--publish", folder}, folder, measured, &output)) {
            out() << "publish failed on " << folder << ": " << output << Qt::endl;
            return false;
        }
        const QList<QByteArray> fields = output.trimmed().split(' ');
        ours << fields.value(1).toDouble();
        analysis << fields.value(7).toDouble();
        result.analysisKb = std::max(result.analysisKb, fields.value(9).toLongLong());
        result.archiverPeak = std::max(result.archiverPeak, fields.value(3).toLongLong());
        const QString archive = QString::fromLocal8Bit(fields.value(5));
        result.archiverSize = QFileInfo(archive).size();
        if (round == 0) {
            result.files = countEntries(archive);
            if (!unzipTest(archive)) {
                out() << "unzip -t failed on " << archive << Qt::endl;
                return false;
            }
        }
        QFile::remove(archive);

        QFile::remove(zipFile);
        Measured zip;
        if (!runMeasured({"zip", "-r", "-q", zipFile, "."}, folder, zip)) {
            out() << "zip -r -q failed on " << folder << Qt::endl;
            return false;
        }
        theirs << zip.seconds;
        result.zipPeak = std::max(result.zipPeak, zip.peakKb);
        result.zipSize = QFileInfo(zipFile).size();
        QFile::remove(zipFile);
    }
    result.archiver = median(ours);
    result.analysis = median(analysis);
    result.zip = median(theirs);
    out() << QStringLiteral(
                 "%1: %2 files, archiver %3 s (analysis %10 s), zip -r -q %4 s, "
                 "ratio %5, archiver peak %6 MB (+%11 MB after the analysis), zip peak %7 MB, "
                 "sizes %8 / %9 MB")
                 .arg(name)
                 .arg(result.files)
                 .arg(result.archiver, 0, 'f', 3)
                 .arg(result.zip, 0, 'f', 3)
                 .arg(result.archiver / result.zip, 0, 'f', 2)
                 .arg(double(result.archiverPeak) / 1024, 0, 'f', 1)
                 .arg(double(result.zipPeak) / 1024, 0, 'f', 1)
                 .arg(double(result.archiverSize) / 1048576, 0, 'f', 1)
                 .arg(double(result.zipSize) / 1048576, 0, 'f', 1)
                 .arg(result.analysis, 0, 'f', 3)
                 .arg(double(result.analysisKb) / 1024, 0, 'f', 1)
          << Qt::endl;
    return true;
}

int driver(const QStringList &arguments)
{
    QString work = QDir::tempPath() + "/bench-publish";
    qint64 mixedMb = 75;
    QList<int> trees{1000, 10000, 100000};
    int rounds = 3;
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        const QString &option = arguments.at(i);
        const QString &value = arguments.at(i + 1);
        if (option == "--work")
            work = value;
        else if (option == "--mixed-mb")
            mixedMb = value.toLongLong();
        else if (option == "--rounds")
            rounds = std::max(1, value.toInt());
        else if (option == "--trees") {
            trees.clear();
            for (const QString &size : value.split(',', Qt::SkipEmptyParts))
                trees << size.toInt();
        }
    }
    QDir().mkpath(work);
    out() << "work folder " << work << ", median of " << rounds << " rounds" << Qt::endl;

    const QString mixed = QStringLiteral("%1/mixed-%2mb").arg(work).arg(mixedMb);
    if (!QFileInfo::exists(mixed + "/index.htm"))
        makeMixedFolder(mixed, mixedMb);
    SetResult result;
    if (!benchFolder(QStringLiteral("mixed web folder"), mixed, rounds, result))
        return 1;
    const double mixedRatio = result.archiver / result.zip;

    QList<SetResult> treeResults;
    for (int files : std::as_const(trees)) {
        const QString tree = QStringLiteral("%1/tree-%2").arg(work).arg(files);
        if (!QFileInfo::exists(tree + "/index.htm"))
            makeTree(tree, files);
        SetResult treeResult;
        if (!benchFolder(QStringLiteral("tree of %1").arg(files), tree, rounds, treeResult))
            return 1;
        treeResults << treeResult;
    }

    out() << Qt::endl
          << "mixed folder ratio archiver/zip: " << QString::number(mixedRatio, 'f', 2)
          << " (goal <= 1.0)" << Qt::endl;
    for (const SetResult &tree : std::as_const(treeResults)) {
        out() << QStringLiteral("%1: %2 us per file (analysis %5 us; zip -r -q %3 us), ratio %4")
                     .arg(tree.name)
                     .arg(tree.archiver * 1e6 / tree.files, 0, 'f', 1)
                     .arg(tree.zip * 1e6 / tree.files, 0, 'f', 1)
                     .arg(tree.archiver / tree.zip, 0, 'f', 2)
                     .arg(tree.analysis * 1e6 / tree.files, 0, 'f', 1)
              << Qt::endl;
    }
    if (treeResults.size() >= 2) {
        const SetResult &first = treeResults.constFirst();
        const SetResult &last = treeResults.constLast();
        out() << QStringLiteral("time per file, %1 files against %2: %3x (goal <= 1.3)")
                     .arg(last.files)
                     .arg(first.files)
                     .arg((last.archiver / last.files) / (first.archiver / first.files), 0, 'f', 2)
              << Qt::endl;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments.at(1) == "--publish")
        return publishChild(QDir(arguments.at(2)).absolutePath());
    return driver(arguments);
}
