#include "e2esupport.h"

#include "../dravo/dravotest.h"

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"
#include "dravo/servercache.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaMethod>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryFile>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>

namespace EndToEnd {

namespace {

QByteArray sha256(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// Reads the archive named by argv[1] with the standard library only.
const char kZipReader[] = R"(
import hashlib, json, sys, zipfile
try:
    with zipfile.ZipFile(sys.argv[1]) as archive:
        bad = archive.testzip()
        if bad is not None:
            print(json.dumps({"error": "entry %s is damaged" % bad}))
            sys.exit(0)
        entries = []
        for info in archive.infolist():
            entries.append({"name": info.filename, "size": info.file_size,
                            "compressedSize": info.compress_size, "crc32": "%08x" % info.CRC,
                            "sha256": hashlib.sha256(archive.read(info)).hexdigest()})
        print(json.dumps({"entries": entries}))
except Exception as error:
    print(json.dumps({"error": str(error)}))
)";

// A short-lived connection of its own to a SQLite file.
template <typename Body> void withSqlite(const QString &path, bool readOnly, Body &&body)
{
    static int counter = 0;
    const QString name = QStringLiteral("e2e-sqlite-%1").arg(++counter);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        body(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

QString StoredState::describe() const
{
    QStringList names = attributes.keys();
    std::sort(names.begin(), names.end());
    QStringList pairs;
    for (const QString &name : std::as_const(names))
        pairs.append(name + QLatin1Char('=') + attributes.value(name));
    return QStringLiteral("archive %1 bytes (%2), attributes {%3}, cache %4")
        .arg(archive.size())
        .arg(QString::fromLatin1(sha256(archive).left(12)), pairs.join(QStringLiteral(", ")))
        .arg(cacheGeneration);
}

StoredState readStoredState(const QString &location)
{
    StoredState state;
    const std::unique_ptr<Corvane::Dravo::Engine> engine = Corvane::Dravo::Engine::open(location);
    engine->snapshot([&] {
        Corvane::Dravo::ActionPadStore store(*engine);
        state.attributes = store.attributes();
        state.cacheGeneration = Corvane::Dravo::ServerCache(*engine).generation();
        QBuffer buffer(&state.archive);
        buffer.open(QIODevice::WriteOnly);
        store.readContent(buffer);
    });
    return state;
}

QList<ZipEntry> pythonEntries(const QString &zipPath, QString *error)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"), QString::fromLatin1(kZipReader), zipPath});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        *error = QStringLiteral("python3 failed: ") + QString::fromLocal8Bit(python.readAll());
        return {};
    }
    const QJsonObject result = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    if (result.contains(QStringLiteral("error"))) {
        *error = result.value(QStringLiteral("error")).toString();
        return {};
    }
    QList<ZipEntry> entries;
    for (const QJsonValue &value : result.value(QStringLiteral("entries")).toArray()) {
        const QJsonObject entry = value.toObject();
        entries.append({entry.value(QStringLiteral("name")).toString(),
                        entry.value(QStringLiteral("size")).toInteger(),
                        entry.value(QStringLiteral("compressedSize")).toInteger(),
                        entry.value(QStringLiteral("crc32")).toString(),
                        entry.value(QStringLiteral("sha256")).toString().toLatin1()});
    }
    error->clear();
    return entries;
}

QList<ZipEntry> pythonEntries(const QByteArray &archive, QString *error)
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/e2e-archive-XXXXXX.zip"));
    if (!file.open() || file.write(archive) != archive.size() || !file.flush()) {
        *error = QStringLiteral("cannot write the archive to ") + file.fileName();
        return {};
    }
    return pythonEntries(file.fileName(), error);
}

QStringList namesOf(const QList<ZipEntry> &entries)
{
    QStringList names;
    for (const ZipEntry &entry : entries)
        names.append(entry.name);
    return names;
}

int unzipTest(const QString &zipPath, QString *output)
{
    QProcess unzip;
    unzip.setProcessChannelMode(QProcess::MergedChannels);
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-t"), zipPath});
    if (!unzip.waitForFinished(60000))
        return -1;
    if (output)
        *output = QString::fromLocal8Bit(unzip.readAll());
    return unzip.exitStatus() == QProcess::NormalExit ? unzip.exitCode() : -1;
}

QStringList unsafeNames(const QStringList &names)
{
    QStringList unsafe;
    for (const QString &name : names) {
        const QStringList parts = name.split(QLatin1Char('/'));
        if (name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
            parts.contains(QStringLiteral("..")) ||
            (name.size() >= 2 && name.at(1) == QLatin1Char(':')))
            unsafe.append(name);
    }
    return unsafe;
}

void writeRandomFile(const QString &path, qint64 size, quint32 seed)
{
    writeFile(path, DravoTest::randomBytes(size, seed));
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

void settleAccessTimes(const QString &folder)
{
    folderHashes(folder);
}

QHash<QString, QByteArray> folderHashes(const QString &folder)
{
    QHash<QString, QByteArray> hashes;
    const QDir base(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            hashes.insert(base.relativeFilePath(file.fileName()), sha256(file.readAll()));
    }
    return hashes;
}

QString sqliteDump(const QString &path)
{
    QStringList lines;
    withSqlite(path, true, [&](QSqlDatabase &db) {
        QSqlQuery tables(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                        "ORDER BY name"),
                         db);
        QStringList names;
        while (tables.next())
            names.append(tables.value(0).toString());
        for (const QString &table : std::as_const(names)) {
            QSqlQuery rows(QStringLiteral("SELECT * FROM \"%1\"").arg(table), db);
            QStringList texts;
            while (rows.next()) {
                QStringList values;
                for (int i = 0; i < rows.record().count(); ++i) {
                    const QVariant value = rows.value(i);
                    values.append(value.typeId() == QMetaType::QByteArray
                                      ? QString::fromLatin1(sha256(value.toByteArray()))
                                      : value.toString());
                }
                texts.append(table + QLatin1Char('|') + values.join(QLatin1Char('|')));
            }
            texts.sort();
            lines += texts;
        }
    });
    return lines.join(QLatin1Char('\n'));
}

QString sqliteIntegrity(const QString &path)
{
    QStringList problems;
    withSqlite(path, false, [&](QSqlDatabase &db) {
        QSqlQuery check(QStringLiteral("PRAGMA integrity_check"), db);
        while (check.next())
            problems.append(check.value(0).toString());
    });
    return problems.join(QLatin1Char('\n'));
}

bool runningAsRoot()
{
    return geteuid() == 0;
}

bool runAsNobody(QProcess &process, QString *reason)
{
    const passwd *user = getpwnam("nobody");
    if (!user) {
        *reason = QStringLiteral("there is no user \"nobody\" to run as");
        return false;
    }
    const uid_t uid = user->pw_uid;
    const gid_t gid = user->pw_gid;
    process.setChildProcessModifier([uid, gid] {
        // A child that kept root's privileges would test nothing: it stops instead.
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(126);
    });
    return true;
}

void giveToNobody(const QString &folder)
{
    const passwd *user = runningAsRoot() ? getpwnam("nobody") : nullptr;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QStringList paths{folder};
    while (it.hasNext())
        paths.append(it.next());
    for (const QString &path : std::as_const(paths)) {
        if (user && chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) != 0)
            qFatal("cannot hand %s to nobody", qPrintable(path));
    }
}

bool connectByName(QObject *sender, const char *signal, QObject *receiver, const char *slot)
{
    const auto find = [](const QMetaObject *meta, const char *name, QMetaMethod::MethodType type) {
        for (int i = 0; i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == type && method.name() == name)
                return method;
        }
        return QMetaMethod();
    };
    const QMetaMethod from = find(sender->metaObject(), signal, QMetaMethod::Signal);
    const QMetaMethod to = find(receiver->metaObject(), slot, QMetaMethod::Slot);
    return from.isValid() && to.isValid() && QObject::connect(sender, from, receiver, to);
}

} // namespace EndToEnd
