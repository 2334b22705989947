#pragma once

#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

namespace Corvane::Dravo {

class Engine;

namespace Internal {

// One prepared statement on an engine's connection, with positional "?"
// parameters. Every failure is runtime error 5 naming the database and what
// was being done, so callers need no error checks of their own.
class Query final
{
public:
    Query(Engine &engine, const QString &sql, const QString &purpose);

    Query &bind(const QVariant &value);
    // Runs the statement with the values bound since the last run.
    void exec();
    bool next() { return m_query.next(); }
    QVariant value(int column) const { return m_query.value(column); }
    // Runs the statement and returns the first column of its first row
    // (an invalid QVariant when there is no row).
    QVariant scalar();
    // Releases the result set (and its memory) before the next run.
    void finish() { m_query.finish(); }

private:
    [[noreturn]] void fail() const;

    Engine &m_engine;
    QSqlQuery m_query;
    QString m_purpose;
    int m_nextBind = 0;
};

// The source name of the data engine's errors.
QString errorSource();

// The server's message for a failed statement, with advice when the database
// was busy: another connection held its write lock for the whole wait.
QString describeError(const QSqlError &error);

// How long a SQLite connection waits for another connection's write lock.
constexpr int kBusyTimeoutMs = 15000;

} // namespace Internal
} // namespace Corvane::Dravo
