#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace Corvane::Zip {
class ZipComponent;
}

// Independent checks of the archives the zip component writes: Info-ZIP's
// unzip and zipinfo, and Python's zipfile module for the entries' details.
namespace ZipTest {

struct ToolResult
{
    int exitCode = -1;
    QString output; // standard output and error together
};
// Runs a program to its end (at most two minutes).
ToolResult run(const QString &program, const QStringList &arguments);

struct Entry
{
    QString name;
    int method = -1;         // 0 stored, 8 deflated
    int flags = 0;           // general purpose bits (0x800: UTF-8 name)
    int system = -1;         // host system of "version made by": 0 MS-DOS, 3 Unix
    quint32 external = 0;    // external attributes
    QByteArray centralExtra; // central directory extra fields
    QDateTime dosTime;       // the MS-DOS date and time field, as written
    QByteArray data;
};
struct Archive
{
    bool valid = false; // opened, and every entry's CRC checks out
    QString problem;
    QList<Entry> entries;
};
// Reads every entry, data included, with Python's zipfile module.
Archive readArchive(const QString &path);

// Creates the file and the folders above it.
void writeFile(const QString &path, const QByteArray &content);
// Names of the files in a folder (not recursive), for spotting leftovers.
QStringList filesIn(const QString &folder);
// Deterministic bytes that do not compress.
QByteArray randomBytes(qsizetype size);
// Text that deflates well but not to nothing.
QByteArray pageText(int seed, int lines);
// Runs Zip() or Preview() to its end, its threads started as "nobody" when asked; the
// ProcessCompleted arguments (all -1 when it did not end).
QList<QVariant> zipToEnd(Corvane::Zip::ZipComponent &zip, bool preview = false,
                         bool asNobody = false, int timeoutMs = 60000);

} // namespace ZipTest
