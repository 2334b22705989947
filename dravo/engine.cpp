#include "engine.h"

#include "query.h"
#include "schema.h"

#include "platform/runtimeerror.h"

#include <QAbstractEventDispatcher>
#include <QAtomicInteger>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>

#include <utility>

namespace Corvane::Dravo {

namespace {

using Platform::ErrorNumber::FileNotFound;
using Platform::ErrorNumber::InvalidProcedureCall;
using Platform::ErrorNumber::PathFileAccessError;

using Internal::kBusyTimeoutMs;
// What a SQLite write-ahead log keeps on disk between saves.
constexpr qint64 kJournalSizeLimit = 16 * 1024 * 1024;
// Page size of a new SQLite database. The action pad archive fills most of
// the file, as chains of overflow pages; at 64 KB (SQLite's largest) a save
// reads, logs, checkpoints and frees a quarter of the pages it would at 16 KB
// and stores a 42 MB archive in half the time, while each small table takes a
// page of its own (a new database is about 1 MB).
constexpr int kSqlitePageSize = 64 * 1024;
// How long a PostgreSQL connection attempt may take.
constexpr int kConnectTimeoutSeconds = 10;

QString nextConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("corvane-dravo-%1").arg(++counter);
}

[[noreturn]] void fail(std::int32_t number, const QString &detail)
{
    Platform::raiseError(number, Internal::errorSource(), detail);
}

} // namespace

Engine::Engine(DatabaseLocation location)
    : m_location(std::move(location))
    , m_connectionName(nextConnectionName())
{
}

Engine::~Engine()
{
    // runOnWorker returns only after its worker ended; nothing else may end
    // the engine under it.
    Q_ASSERT(!m_borrower.load());
    if (m_db.isOpen()) {
        if (m_transactionDepth > 0)
            QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        m_db.close();
    }
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

std::unique_ptr<Engine> Engine::open(const QString &location)
{
    return open(DatabaseLocation::parse(location));
}

std::unique_ptr<Engine> Engine::open(const DatabaseLocation &location)
{
    std::unique_ptr<Engine> engine(new Engine(location));
    engine->connect(false);
    engine->ensureSchema(false);
    return engine;
}

std::unique_ptr<Engine> Engine::create(const QString &location)
{
    return create(DatabaseLocation::parse(location));
}

std::unique_ptr<Engine> Engine::create(const DatabaseLocation &location)
{
    std::unique_ptr<Engine> engine(new Engine(location));
    engine->connect(true);
    engine->ensureSchema(true);
    return engine;
}

int Engine::schemaVersion()
{
    return Internal::Schema::latestVersion();
}

void Engine::connect(bool creating)
{
    const QString where = m_location.displayText();
    if (m_location.kind == DatabaseLocation::Kind::Sqlite) {
        const QFileInfo file(m_location.sqlitePath);
        if (!creating && !file.exists())
            fail(FileNotFound,
                 QStringLiteral("the database file %1 does not exist. Check the path, or create "
                                "the database first (corvane-admin init).")
                     .arg(QDir::toNativeSeparators(m_location.sqlitePath)));
        if (creating && !file.absoluteDir().exists())
            fail(PathFileAccessError,
                 QStringLiteral("cannot create the database file %1: its folder does not exist. "
                                "Create the folder first.")
                     .arg(QDir::toNativeSeparators(m_location.sqlitePath)));
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        m_db.setDatabaseName(m_location.sqlitePath);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs);
        m_readOnly =
            !creating && (!file.isWritable() || !QFileInfo(file.absolutePath()).isWritable());
        if (m_readOnly) {
            // Without write access to the folder SQLite cannot make the shared
            // memory file that reading in WAL mode takes. Without a log left
            // beside it the file holds everything: read it as unchanging.
            const QString wal = m_location.sqlitePath + QStringLiteral("-wal");
            const bool pendingLog = QFileInfo::exists(wal);
            if (pendingLog && !QFileInfo::exists(m_location.sqlitePath + QStringLiteral("-shm")))
                fail(PathFileAccessError,
                     QStringLiteral("the database %1 cannot be read: its folder is read-only "
                                    "for this user and its write-ahead log %2 is not yet folded "
                                    "into it. Open it once with write access.")
                         .arg(QDir::toNativeSeparators(m_location.sqlitePath),
                              QDir::toNativeSeparators(wal)));
            QUrl uri = QUrl::fromLocalFile(m_location.sqlitePath);
            if (!pendingLog)
                uri.setQuery(QStringLiteral("immutable=1"));
            m_db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
            options += QStringLiteral(";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI");
        }
        m_db.setConnectOptions(options);
    } else {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connectionName);
        m_db.setHostName(m_location.host);
        m_db.setPort(m_location.port);
        m_db.setUserName(m_location.user);
        // An empty password lets libpq take it from PGPASSWORD or ~/.pgpass.
        m_db.setPassword(m_location.password);
        m_db.setDatabaseName(m_location.databaseName);
        m_db.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(kConnectTimeoutSeconds));
    }
    if (!m_db.isValid())
        fail(InvalidProcedureCall,
             QStringLiteral("cannot open the database %1: Qt's SQL driver %2 is not installed.")
                 .arg(where, m_db.driverName()));
    if (!m_db.open())
        fail(InvalidProcedureCall,
             QStringLiteral("cannot open the database %1: %2. Check the location and that the "
                            "server is running.")
                 .arg(where, m_db.lastError().text()));

    if (isPostgreSql()) {
        // The schema statements' notices ("... does not exist, skipping") are no news.
        execute(QStringLiteral("SET client_min_messages = warning"));
    } else {
        // A file that is not a SQLite database fails its first read.
        QSqlQuery probe(m_db);
        if (!probe.exec(QStringLiteral("PRAGMA schema_version")))
            fail(InvalidProcedureCall,
                 QStringLiteral("%1 is not a Corvane database: it cannot be read as a SQLite "
                                "database (%2). Choose a Corvane database file.")
                     .arg(QDir::toNativeSeparators(where), probe.lastError().text()));
        probe.finish();
        // A page size holds only while the file is empty and no statement
        // reads it; an existing database keeps its own.
        if (creating && Internal::Query(*this, QStringLiteral("PRAGMA page_count"),
                                        QStringLiteral("read the size of the database"))
                                .scalar()
                                .toLongLong() == 0)
            execute(QStringLiteral("PRAGMA page_size = %1").arg(kSqlitePageSize));
        execute(QStringLiteral("PRAGMA foreign_keys = ON"));
        // A save writes the whole archive to the log before it is copied into
        // the database; afterwards the log file shrinks back to this size.
        execute(QStringLiteral("PRAGMA journal_size_limit = %1").arg(kJournalSizeLimit));
        // Some SQLite builds (Debian's among them) zero every page they free.
        // A save frees the whole previous archive and at once reuses its
        // pages for the new one, so each page would reach the log twice, and
        // the commit would read the whole log again to mend its checksums.
        // FAST still clears what is deleted wherever that costs no extra write.
        execute(QStringLiteral("PRAGMA secure_delete = FAST"));
    }
}

void Engine::ensureSchema(bool creating)
{
    const QString where = m_location.displayText();
    int version = 0;
    if (m_db.tables().contains(Internal::Schema::versionTable(), Qt::CaseInsensitive)) {
        Internal::Query query(*this, QStringLiteral("SELECT product, version FROM corvane_schema"),
                              QStringLiteral("read the schema version"));
        query.exec();
        if (!query.next() || query.value(0).toString() != Internal::Schema::product())
            fail(InvalidProcedureCall,
                 QStringLiteral("%1 is not a Corvane database: its version record belongs to "
                                "another product. Choose a Corvane database.")
                     .arg(where));
        version = query.value(1).toInt();
        query.finish(); // SQLite changes the journal mode only without active statements
    } else if (!creating) {
        fail(InvalidProcedureCall,
             QStringLiteral("%1 is not a Corvane database: it has no Corvane schema. Create one "
                            "(corvane-admin init) or choose another database.")
                 .arg(where));
    }

    if (version > Internal::Schema::latestVersion())
        fail(InvalidProcedureCall,
             QStringLiteral("the database %1 has schema version %2, newer than this program "
                            "understands (%3). Use a newer version of Corvane.")
                 .arg(where)
                 .arg(version)
                 .arg(Internal::Schema::latestVersion()));

    const int latest = Internal::Schema::latestVersion();
    if (m_readOnly && version < latest)
        fail(PathFileAccessError,
             QStringLiteral("the database %1 has schema version %2 and is read-only for this "
                            "user: this program reads version %3, to which it upgrades the "
                            "database once it may write to it. Open it once with write access.")
                 .arg(where)
                 .arg(version)
                 .arg(latest));

    // WAL lets readers go on while the action pad file is being saved, and
    // makes every commit atomic on disk.
    if (!isPostgreSql() && !m_readOnly) {
        QSqlQuery mode(m_db);
        if (!mode.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !mode.next() ||
            mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            fail(InvalidProcedureCall,
                 QStringLiteral("cannot switch the database %1 to write-ahead logging: %2. "
                                "Check that its folder is writable.")
                     .arg(where, mode.lastError().text()));
    }

    if (version == latest)
        return;
    transaction([&] {
        for (int step = version; step < latest; ++step)
            Internal::Schema::applyStep(*this, step);
        Internal::Query record(*this,
                               version == 0
                                   ? QStringLiteral("INSERT INTO corvane_schema (version, product)"
                                                    " VALUES (?, ?)")
                                   : QStringLiteral("UPDATE corvane_schema SET version = ?"
                                                    " WHERE product = ?"),
                               QStringLiteral("record the schema version"));
        record.bind(latest).bind(Internal::Schema::product()).exec();
    });
}

QSqlDatabase &Engine::connection()
{
    checkThread();
    return m_db;
}

bool Engine::inTransaction() const
{
    const QThread *borrower = m_borrower.load(std::memory_order_acquire);
    if (borrower && borrower != QThread::currentThread())
        return true;
    return m_transactionDepth > 0;
}

void Engine::checkThread() const
{
    const QThread *borrower = m_borrower.load(std::memory_order_acquire);
    if (borrower && borrower != QThread::currentThread())
        fail(InvalidProcedureCall,
             QStringLiteral("the database %1 is busy: a change to it is still being written. "
                            "Try again when it has finished.")
                 .arg(m_location.displayText()));
}

void Engine::runOnWorker(const std::function<void()> &job)
{
    checkThread();
    if (!QAbstractEventDispatcher::instance()) {
        job();
        return;
    }
    std::exception_ptr failure;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    bool done = false;
    // Queued to this thread; `done`, not the thread's own state, says that
    // the job ended, since the thread emits finished before it counts as such.
    QObject::connect(worker.get(), &QThread::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    m_borrower.store(worker.get(), std::memory_order_release);
    worker->start();
    // An exit of the application quits this loop too: the job is waited for
    // all the same, and the exit goes on afterwards.
    while (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    m_borrower.store(nullptr, std::memory_order_release);
    if (m_transactionDepth > 0)
        m_commitOnWorker = true;
    if (failure)
        std::rethrow_exception(failure);
}

void Engine::execute(const QString &sql)
{
    QSqlQuery query(connection());
    if (!query.exec(sql))
        fail(InvalidProcedureCall,
             QStringLiteral("a statement failed in the database %1: %2 (statement: %3)")
                 .arg(m_location.displayText(), Internal::describeError(query.lastError()),
                      sql.left(200)));
}

void Engine::startTransaction(bool snapshot)
{
    checkThread();
    if (m_transactionDepth > 0) {
        ++m_transactionDepth;
        return;
    }
    if (!snapshot && m_readOnly)
        fail(PathFileAccessError,
             QStringLiteral("the database %1 is open read-only: this user cannot write to the "
                            "file or to its folder. Give write access to both to change it.")
                 .arg(QDir::toNativeSeparators(m_location.displayText())));
    ++m_transactionDepth;
    m_rollbackOnly = false;
    m_commitOnWorker = false;
    try {
        if (isPostgreSql()) {
            // Ordinary (read committed) transactions for changes; a snapshot
            // reads one state of the database throughout.
            execute(snapshot ? QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")
                             : QStringLiteral("BEGIN"));
        } else {
            // A writer takes the write lock at once, so that it never has to
            // upgrade a read lock (which fails instead of waiting). A reader's
            // snapshot starts with its first read.
            execute(snapshot ? QStringLiteral("BEGIN DEFERRED")
                             : QStringLiteral("BEGIN IMMEDIATE"));
        }
    } catch (...) {
        m_transactionDepth = 0;
        throw;
    }
}

void Engine::begin()
{
    startTransaction(false);
}

void Engine::commit()
{
    checkThread();
    if (m_transactionDepth <= 0)
        fail(InvalidProcedureCall, QStringLiteral("commit without a transaction on the database %1")
                                       .arg(m_location.displayText()));
    if (--m_transactionDepth > 0)
        return;
    if (m_rollbackOnly) {
        execute(QStringLiteral("ROLLBACK"));
        fail(InvalidProcedureCall,
             QStringLiteral("the changes to the database %1 were rolled back because a part of "
                            "them failed")
                 .arg(m_location.displayText()));
    }
    try {
        if (std::exchange(m_commitOnWorker, false))
            runOnWorker([this] { execute(QStringLiteral("COMMIT")); });
        else
            execute(QStringLiteral("COMMIT"));
    } catch (...) {
        // A failed COMMIT may leave the transaction open on some servers.
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

void Engine::rollback()
{
    // Never throws: it runs while another failure is on its way to the caller.
    const QThread *borrower = m_borrower.load(std::memory_order_acquire);
    if (borrower && borrower != QThread::currentThread()) {
        qWarning("Dravo: a rollback of %s was asked for while another thread wrote to it",
                 qPrintable(m_location.displayText()));
        return;
    }
    if (m_transactionDepth <= 0)
        return;
    if (--m_transactionDepth > 0) {
        m_rollbackOnly = true;
        return;
    }
    m_rollbackOnly = false;
    m_commitOnWorker = false;
    QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
}

QString Engine::webFolder()
{
    Internal::Query query(
        *this, QStringLiteral("SELECT value FROM host_property WHERE name = 'webfolder'"),
        QStringLiteral("read the web folder"));
    return query.scalar().toString();
}

void Engine::setWebFolder(const QString &folder)
{
    Internal::Query query(
        *this,
        QStringLiteral("INSERT INTO host_property (name, value)"
                       " VALUES ('webfolder', ?)"
                       " ON CONFLICT (name) DO UPDATE SET value = excluded.value"),
        QStringLiteral("store the web folder"));
    query.bind(folder).exec();
}

} // namespace Corvane::Dravo
