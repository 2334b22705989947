#pragma once

// Runs corvane-admin (from CORVANE_BIN_DIR) as the user does, and reads a
// database's state through the data engine to tell whether a run changed it.

#include "dravo/tablecatalog.h"

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace AdminTool {

struct Result
{
    int exitCode = -1;
    QString output;
    QString errors;
    QStringList errorLines() const;
};

QString program();
// Runs the tool to its end; the environment defaults to the test's own.
Result run(const QStringList &arguments,
           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

// Runs another program (zip, unzip) with a UTF-8 locale; its standard output.
QString runTool(const QString &program, const QStringList &arguments,
                const QString &workingFolder = {}, int *exitCode = nullptr);

// The database's tables, the settings the tests touch, the web folder and the
// action pad file's state, as text: equal texts mean nothing changed. A
// database that cannot be read gives the error's text.
QString databaseState(const QString &location);

// The database's tables; empty (with a warning) when it cannot be read.
QList<Corvane::Dravo::TableRecord> tables(const QString &location);

} // namespace AdminTool
