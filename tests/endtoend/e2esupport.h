#pragma once

// Around a publish: the stored action pad file, independent readers, web files, "nobody".

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QString>
#include <QStringList>

class QProcess;

namespace EndToEnd {

// The archive's bytes (checked against its stored SHA-256 on reading: a mismatch throws), the
// checksum, the attributes and the server cache's generation, read through the engine.
struct StoredState
{
    QByteArray archive;
    QString storedSha256;
    QHash<QString, QString> attributes;
    qint64 cacheGeneration = 0;

    QString describe() const; // one line: archive size and hash, attributes in name order, cache
};
StoredState readStoredState(const QString &location);

// python3 zipfile's {name, size, compressedSize, crc32, sha256} per entry after testzip(); on
// failure none, and `error` says why.
QJsonArray pythonEntries(const QByteArray &archive, QString *error);

// Writes the file, creating its folders.
void writeFile(const QString &path, const QByteArray &content);
// Relative path -> SHA-256; reading settles the access times that archives record (relatime).
QHash<QString, QString> folderHashes(const QString &folder);

// The sqlite3 shell's answer, read-only: ".sha3sum --schema" hashes everything (equal hashes, equal
// contents), "PRAGMA integrity_check" gives "ok" or the damage found.
QString sqlite(const QString &path, const QString &command);

// As root (whom permissions do not stop): the folders and the process go to the user "nobody".
bool runAsNobody(QProcess &process, const QStringList &folders, QString *reason);

} // namespace EndToEnd
