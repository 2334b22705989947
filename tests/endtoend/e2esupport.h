#pragma once

// What the end-to-end tests need around a publish: the action pad file as a
// database holds it, zip readers that share no code with the system (Python's
// zipfile, Info-ZIP's unzip), web folders of chosen size, SQLite databases as
// text, and programs run without root's privileges.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class QObject;
class QProcess;

namespace EndToEnd {

// The action pad file of a database as stored: the archive's bytes, the
// attributes and the server cache's generation.
struct StoredState
{
    QByteArray archive;
    QHash<QString, QString> attributes;
    qint64 cacheGeneration = 0;

    // One line: archive size and hash, attributes in name order.
    QString describe() const;
};

// Reads through the data engine, on SQLite or PostgreSQL.
StoredState readStoredState(const QString &location);

// One entry as Python's zipfile reads it.
struct ZipEntry
{
    QString name;
    qint64 size = 0;
    qint64 compressedSize = 0;
    QString crc32; // eight hex digits
    QByteArray sha256;

    bool operator==(const ZipEntry &other) const = default;
};

// Reads the archive with python3's zipfile after its testzip() found every
// entry sound; on failure `error` says why and the list is empty.
QList<ZipEntry> pythonEntries(const QString &zipPath, QString *error);
QList<ZipEntry> pythonEntries(const QByteArray &archive, QString *error);
QStringList namesOf(const QList<ZipEntry> &entries);

// The exit code of `unzip -t` on the archive, its output in `output`.
int unzipTest(const QString &zipPath, QString *output = nullptr);

// The entry names a zip reader could write outside its target folder:
// absolute ones, ones with a ".." part, a backslash or a drive.
QStringList unsafeNames(const QStringList &names);

// Writes random bytes, which no compression shrinks; creates the folders.
void writeRandomFile(const QString &path, qint64 size, quint32 seed);
void writeFile(const QString &path, const QByteArray &content);
// Reads every file under the folder once. Under relatime an access time moves
// only on the first read after a change, so archives made afterwards (which
// record access times) come out byte for byte the same.
void settleAccessTimes(const QString &folder);
// Every file under the folder (relative path -> SHA-256).
QHash<QString, QByteArray> folderHashes(const QString &folder);

// Everything a SQLite database holds, as text (blobs as hashes): equal texts,
// equal contents. Opens the file read-only.
QString sqliteDump(const QString &path);
// "ok", or what PRAGMA integrity_check found.
QString sqliteIntegrity(const QString &path);

// Whether this process runs as root, whom file permissions do not stop.
bool runningAsRoot();
// Makes the process run as the user "nobody" (an error in the test when that
// user is missing); the folders it writes must be writable for that user.
bool runAsNobody(QProcess &process, QString *reason);
// Hands a folder tree to "nobody" when running as root (the child then runs
// as nobody); otherwise the child runs as this user and nothing changes.
void giveToNobody(const QString &folder);

// Connects a signal to a slot by their names: the add-in's classes are known to
// the tests only through the meta-object system, as the host knows them.
bool connectByName(QObject *sender, const char *signal, QObject *receiver, const char *slot);

} // namespace EndToEnd
