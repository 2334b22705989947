#include "dravotest.h"

#include <QAtomicInteger>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace DravoTest {

namespace {

Backend g_backend = Backend::Sqlite;

QString serverUrl()
{
    return qEnvironmentVariable("CORVANE_TEST_PG_URL");
}

// Runs one statement on a short-lived connection of its own.
QVariant runOn(const QString &driver, const Corvane::Dravo::DatabaseLocation &location,
               const QString &sql)
{
    static QAtomicInteger<int> counter;
    const QString name = QStringLiteral("dravotest-%1").arg(++counter);
    QVariant result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
        db.setHostName(location.host);
        db.setPort(location.port);
        db.setUserName(location.user);
        db.setPassword(location.password);
        db.setDatabaseName(location.databaseNameForServer());
        QSqlQuery query(db);
        if (!db.open() || !query.exec(sql))
            qFatal("%s on %s failed: %s %s", qPrintable(sql), qPrintable(location.displayText()),
                   qPrintable(db.lastError().text()), qPrintable(query.lastError().text()));
        result = query.next() ? query.value(0) : QVariant();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

QVariant runOnServer(const QString &url, const QString &sql)
{
    return runOn(QStringLiteral("QPSQL"), Corvane::Dravo::DatabaseLocation::parse(url), sql);
}

} // namespace

Backend backend()
{
    return g_backend;
}

QString backendName()
{
    return g_backend == Backend::Sqlite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL");
}

QString unavailableReason()
{
    if (g_backend == Backend::PostgreSql && serverUrl().isEmpty())
        return QStringLiteral("PostgreSQL tests skipped: CORVANE_TEST_PG_URL is not set (start a "
                              "server with: eval \"$(scripts/start-postgres.sh)\")");
    return {};
}

ScratchDatabase::ScratchDatabase()
{
    if (g_backend == Backend::Sqlite) {
        m_location = m_folder.filePath(QStringLiteral("corvane.sqlite"));
        return;
    }
    static QAtomicInteger<int> counter;
    m_pgDatabase = QStringLiteral("corvane_t_%1_%2_%3")
                       .arg(QCoreApplication::applicationPid())
                       .arg(++counter)
                       .arg(QRandomGenerator::global()->bounded(1000000));
    runOnServer(serverUrl(),
                QStringLiteral("CREATE DATABASE %1 STRATEGY FILE_COPY").arg(m_pgDatabase));
    QUrl url(serverUrl());
    url.setPath(QLatin1Char('/') + m_pgDatabase);
    m_location = url.toString();
}

ScratchDatabase::~ScratchDatabase()
{
    if (!m_pgDatabase.isEmpty())
        runOnServer(serverUrl(),
                    QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_pgDatabase));
}

QVariant ScratchDatabase::execute(const QString &sql) const
{
    if (!m_pgDatabase.isEmpty())
        return runOnServer(m_location, sql);
    return runOn(QStringLiteral("QSQLITE"), Corvane::Dravo::DatabaseLocation::parse(m_location),
                 sql);
}

void flipStoredBit(const QString &location, qint32 seq, qsizetype offset)
{
    const std::unique_ptr<Corvane::Dravo::Engine> engine = Corvane::Dravo::Engine::open(location);
    QSqlQuery read(engine->connection());
    read.prepare(QStringLiteral("SELECT data FROM actionpad_chunk WHERE seq = ?"));
    read.addBindValue(seq);
    if (!read.exec() || !read.next())
        qFatal("no chunk %d in %s", seq, qPrintable(location));
    QByteArray data = read.value(0).toByteArray();
    read.finish();
    data[offset] = char(data.at(offset) ^ 0x10);
    QSqlQuery write(engine->connection());
    write.prepare(QStringLiteral("UPDATE actionpad_chunk SET data = ? WHERE seq = ?"));
    write.addBindValue(data);
    write.addBindValue(seq);
    if (!write.exec())
        qFatal("cannot change chunk %d: %s", seq, qPrintable(write.lastError().text()));
}

QByteArray randomBytes(qint64 size, quint32 seed)
{
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char &byte : bytes)
        byte = static_cast<char>(generator.generate());
    return bytes;
}

QString writeFile(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

int runOnBackends(QObject &test, int argc, char **argv)
{
    int failures = 0;
    for (const Backend backend : {Backend::Sqlite, Backend::PostgreSql}) {
        g_backend = backend;
        qInfo("=== %s: %s ===", test.metaObject()->className(), qPrintable(backendName()));
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures;
}

} // namespace DravoTest
