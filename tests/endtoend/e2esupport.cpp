#include "e2esupport.h"

#include "../app/admintool.h"

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"
#include "dravo/servercache.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace EndToEnd {

namespace {

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// Reads the archive from standard input with the standard library only.
const char kZipReader[] = R"(
import hashlib, io, json, sys, zipfile
with zipfile.ZipFile(io.BytesIO(sys.stdin.buffer.read())) as archive:
    bad = archive.testzip()
    if bad is not None:
        sys.exit("entry %s is damaged" % bad)
    print(json.dumps([
        {"name": info.filename, "size": info.file_size, "compressedSize": info.compress_size,
         "crc32": "%08x" % info.CRC, "sha256": hashlib.sha256(archive.read(info)).hexdigest()}
        for info in archive.infolist()]))
)";

} // namespace

QString StoredState::describe() const
{
    QStringList pairs;
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        pairs.append(it.key() + u'=' + it.value());
    std::sort(pairs.begin(), pairs.end());
    return u"archive %1 bytes (%2), attributes {%3}, cache %4"_s.arg(archive.size())
        .arg(sha256(archive).left(12), pairs.join(u", "_s))
        .arg(cacheGeneration);
}

StoredState readStoredState(const QString &location)
{
    StoredState state;
    const std::unique_ptr<Corvane::Dravo::Engine> engine = Corvane::Dravo::Engine::open(location);
    engine->transaction(
        [&] {
            Corvane::Dravo::ActionPadStore store(*engine);
            state.attributes = store.attributes();
            state.storedSha256 = store.contentSha256();
            state.cacheGeneration = Corvane::Dravo::ServerCache(*engine).generation();
            QBuffer buffer(&state.archive);
            buffer.open(QIODevice::WriteOnly);
            store.readContent(buffer);
        },
        Corvane::Dravo::Engine::Access::Read);
    return state;
}

QJsonArray pythonEntries(const QByteArray &archive, QString *error)
{
    QProcess python;
    python.start(u"python3"_s, {u"-c"_s, QString::fromLatin1(kZipReader)});
    python.write(archive);
    python.closeWriteChannel();
    const bool read = python.waitForFinished(60000) &&
                      python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
    *error =
        read ? QString() : u"python3: "_s + QString::fromLocal8Bit(python.readAllStandardError());
    return read ? QJsonDocument::fromJson(python.readAllStandardOutput()).array() : QJsonArray();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

QHash<QString, QString> folderHashes(const QString &folder)
{
    QHash<QString, QString> hashes;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            hashes.insert(QDir(folder).relativeFilePath(file.fileName()), sha256(file.readAll()));
    }
    return hashes;
}

QString sqlite(const QString &path, const QString &command)
{
    int exitCode = -1;
    const QString output =
        AdminTool::runTool(u"sqlite3"_s, {u"-readonly"_s, path, command}, {}, &exitCode).trimmed();
    if (exitCode != 0 || output.isEmpty()) // equal failures would prove nothing
        qFatal("sqlite3 failed on %s: %s", qPrintable(path), qPrintable(command));
    return output;
}

bool runAsNobody(QProcess &process, const QStringList &folders, QString *reason)
{
    if (geteuid() != 0)
        return true;
    const passwd *user = getpwnam("nobody");
    if (!user) {
        *reason = u"there is no user \"nobody\" to run as"_s;
        return false;
    }
    for (const QString &folder : folders) {
        if (QProcess::execute(u"chown"_s, {u"-R"_s, u"nobody:"_s, folder}) != 0)
            qFatal("cannot hand %s to nobody", qPrintable(folder));
    }
    process.setChildProcessModifier([uid = user->pw_uid, gid = user->pw_gid] {
        // A child that kept root's privileges would test nothing: it stops instead.
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(126);
    });
    return true;
}

} // namespace EndToEnd
