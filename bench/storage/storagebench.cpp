// Stores archives of 16, 64 and 256 MB (random bytes, as incompressible as a
// zip) into the action pad file and reads them back, on SQLite and, when
// CORVANE_TEST_PG_URL names a server, on PostgreSQL. For each it prints the
// time and the peak resident memory the operation added, against the
// archive's size: storage streams in chunks, so the ratio must stay far
// below 1 and fall as archives grow.
//
//   corvane-bench-storage [--sizes 16,64,256] [--backend all|sqlite|postgresql]
//
// Every size runs in a child process of its own (the program runs itself
// with --child), so that one measurement's peak does not hide the next.

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"
#include "platform/runtimeerror.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>

using Corvane::Dravo::ActionPadStore;
using Corvane::Dravo::DatabaseLocation;
using Corvane::Dravo::Engine;

namespace {

constexpr qint64 kMiB = 1024 * 1024;

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 when unknown.
qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Resets the peak (VmHWM) to the current resident size. False where the
// kernel does not offer it; the peak then covers the whole process life.
bool resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

struct Measure
{
    qint64 ms = 0;
    qint64 peakKb = 0;
};

template <typename Body> Measure measure(Body &&body)
{
    resetPeak();
    const qint64 before = statusKb("VmRSS");
    QElapsedTimer timer;
    timer.start();
    body();
    Measure result;
    result.ms = timer.elapsed();
    result.peakKb = qMax<qint64>(0, statusKb("VmHWM") - before);
    return result;
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        qFatal("cannot read %s", qPrintable(path));
    return hash.result();
}

// The child: one store and one read of one archive. Prints one result line.
int runChild(const QString &location, const QString &archive, const QString &readBack)
{
    try {
        auto engine = Engine::create(location);
        ActionPadStore store(*engine);
        const Measure stored = measure([&] { store.save(archive, {}); });
        QFile out(readBack);
        if (!out.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(readBack));
        const Measure read = measure([&] { store.readContent(out); });
        out.close();
        const bool same = fileHash(archive) == fileHash(readBack);
        std::printf("RESULT %lld %lld %lld %lld %d\n", static_cast<long long>(stored.ms),
                    static_cast<long long>(stored.peakKb), static_cast<long long>(read.ms),
                    static_cast<long long>(read.peakKb), same ? 1 : 0);
        return same ? 0 : 1;
    } catch (const Corvane::Platform::RuntimeError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

void writeRandomFile(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray block(static_cast<qsizetype>(kMiB), Qt::Uninitialized);
    QRandomGenerator generator(size);
    for (qint64 written = 0; written < size; written += block.size()) {
        generator.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
        file.write(block.constData(), qMin<qint64>(block.size(), size - written));
    }
}

// Runs statements on the test server's database named in the URL.
bool runOnServer(const QString &url, const QString &sql)
{
    const DatabaseLocation location = DatabaseLocation::parse(url);
    bool ok = false;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
        db.setHostName(location.host);
        db.setPort(location.port);
        db.setUserName(location.user);
        db.setPassword(location.password);
        db.setDatabaseName(location.databaseName);
        if (db.open()) {
            QSqlQuery query(db);
            ok = query.exec(sql);
            if (!ok)
                std::fprintf(stderr, "%s: %s\n", qPrintable(sql),
                             qPrintable(query.lastError().text()));
        } else {
            std::fprintf(stderr, "cannot reach %s: %s\n", qPrintable(location.displayText()),
                         qPrintable(db.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    return ok;
}

QString withDatabase(const QString &url, const QString &database)
{
    QUrl changed(url);
    changed.setPath(QLatin1Char('/') + database);
    return changed.toString();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Action pad storage benchmark"));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("sizes"), QStringLiteral("Archive sizes in MB."),
                      QStringLiteral("list"), QStringLiteral("16,64,256")});
    parser.addOption({QStringLiteral("backend"), QStringLiteral("all, sqlite or postgresql."),
                      QStringLiteral("name"), QStringLiteral("all")});
    parser.addOption({QStringLiteral("child"), QStringLiteral("(internal) measure one archive."),
                      QStringLiteral("location")});
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("(internal)"));
    parser.process(app);

    if (parser.isSet(QStringLiteral("child"))) {
        const QStringList files = parser.positionalArguments();
        if (files.size() != 2)
            return 2;
        return runChild(parser.value(QStringLiteral("child")), files.at(0), files.at(1));
    }

    const QString backend = parser.value(QStringLiteral("backend"));
    const QString serverUrl = qEnvironmentVariable("CORVANE_TEST_PG_URL");
    QStringList backends;
    if (backend == QLatin1String("all") || backend == QLatin1String("sqlite"))
        backends << QStringLiteral("SQLite");
    if (backend == QLatin1String("all") || backend == QLatin1String("postgresql")) {
        if (serverUrl.isEmpty())
            std::printf("PostgreSQL skipped: CORVANE_TEST_PG_URL is not set\n");
        else
            backends << QStringLiteral("PostgreSQL");
    }

    QTemporaryDir folder;
    if (!folder.isValid())
        qFatal("no temporary folder");
    std::printf("%-11s %8s %9s %9s %10s %7s %10s %7s  %s\n", "backend", "archive", "store", "read",
                "store peak", "ratio", "read peak", "ratio", "check");
    int failures = 0;
    for (const QString &sizeText : parser.value(QStringLiteral("sizes")).split(QLatin1Char(','))) {
        const qint64 size = sizeText.toLongLong() * kMiB;
        if (size <= 0)
            qFatal("bad size %s", qPrintable(sizeText));
        const QString archive = folder.filePath(QStringLiteral("archive-%1.zip").arg(sizeText));
        writeRandomFile(archive, size);
        for (const QString &name : std::as_const(backends)) {
            QString location;
            QString database;
            if (name == QLatin1String("SQLite")) {
                location = folder.filePath(QStringLiteral("bench-%1.sqlite").arg(sizeText));
            } else {
                database = QStringLiteral("corvane_bench_%1_%2")
                               .arg(QCoreApplication::applicationPid())
                               .arg(sizeText);
                if (!runOnServer(serverUrl, QStringLiteral("CREATE DATABASE %1").arg(database)))
                    return 1;
                location = withDatabase(serverUrl, database);
            }
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--child"), location, archive,
                         folder.filePath(QStringLiteral("read-back.zip"))});
            child.waitForFinished(-1);
            const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
            if (!database.isEmpty())
                runOnServer(
                    serverUrl,
                    QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database));
            QFile::remove(location);
            QFile::remove(location + QStringLiteral("-wal"));
            QFile::remove(location + QStringLiteral("-shm"));
            if (fields.size() != 6 || fields.at(0) != "RESULT") {
                std::printf("%-11s %6s MB  failed\n", qPrintable(name), qPrintable(sizeText));
                ++failures;
                continue;
            }
            const double mb = static_cast<double>(size) / kMiB;
            const double storePeak = fields.at(2).toDouble() / 1024.0;
            const double readPeak = fields.at(4).toDouble() / 1024.0;
            std::printf("%-11s %5.0f MB %7.2f s %7.2f s %7.1f MB %7.3f %7.1f MB %7.3f  %s\n",
                        qPrintable(name), mb, fields.at(1).toDouble() / 1000.0,
                        fields.at(3).toDouble() / 1000.0, storePeak, storePeak / mb, readPeak,
                        readPeak / mb, fields.at(5) == "1" ? "same bytes" : "DIFFERENT");
            if (fields.at(5) != "1")
                ++failures;
        }
        QFile::remove(archive);
    }
    return failures == 0 ? 0 : 1;
}
