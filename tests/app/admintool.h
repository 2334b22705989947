#pragma once

// Runs corvane-admin (from CORVANE_BIN_DIR) as the user does, on a scratch database set up
// with `init --demo`, and reads a database's state through the data engine.

#include "../dravo/dravotest.h"

#include <QJsonObject>
#include <QProcessEnvironment>
#include <QStringList>

namespace AdminTool {

struct Result
{
    int exitCode = -1;
    QString output;
    QString errors;
    QStringList errorLines() const { return errors.split(u'\n', Qt::SkipEmptyParts); }
};

QString program();
Result run(const QStringList &arguments,
           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
// Another program (zip, unzip, sqlite3) with a UTF-8 locale; its standard output.
QString runTool(const QString &program, const QStringList &arguments,
                const QString &workingFolder = {}, int *exitCode = nullptr);

// Tables, the settings the tests touch, the web folder, attributes, archive size and cache
// generation as text: equal texts, nothing changed. An unreadable database: the error's text.
QString databaseState(const QString &location);

// A scratch database (SQLite or PostgreSQL) after `init --demo --web-folder <folder>/web`.
struct Demo
{
    DravoTest::ScratchDatabase db;
    Result init = admin(
        {QStringLiteral("init"), QStringLiteral("--demo"), QStringLiteral("--web-folder"), web()});

    QString location() const { return db.location(); }
    QString folder() const { return db.folder(); }
    QString web() const { return db.folder() + QStringLiteral("/web"); }
    Result
    admin(QStringList arguments,
          const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment()) const
    {
        return run(arguments << QStringLiteral("--database") << location(), environment);
    }
    QJsonObject show() const; // actionpads show --json
};

} // namespace AdminTool
