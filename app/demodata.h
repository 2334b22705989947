#pragma once

#include <QString>
#include <QStringList>

namespace Corvane::Host {
class Database;
}

// The demo that "init --demo" sets up: action pad files in the web folder and
// sample tables whose inspectors point at them. The files cover what a
// publish meets in practice: subfolders, images, style sheets and scripts, a
// non-ASCII file name, a location with a query part, a web address, a table
// without an action pad, and two files named index.htm in two action pad
// folders, whose archive names clash.
namespace Corvane::Admin::DemoData {

// The files, relative to the web folder, with '/' as separator.
QStringList fileNames();
// Writes the files into the folder, creating it and its subfolders.
void writeFiles(const QString &webFolder);
// Adds the tables and the settings of their action pads, whose files lie in
// the web folder. Call it inside a transaction.
void fill(Host::Database &database, const QString &webFolder);
QStringList tableNames();

} // namespace Corvane::Admin::DemoData
