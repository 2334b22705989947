#include "ziptestsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

namespace ZipTest {

namespace {

const char *const ReadScript = R"(
import base64, json, sys, zipfile
out = {'valid': False, 'problem': '', 'entries': []}
try:
    with zipfile.ZipFile(sys.argv[1]) as z:
        bad = z.testzip()
        out['valid'] = bad is None
        if bad is not None:
            out['problem'] = 'bad CRC in ' + bad
        for i in z.infolist():
            e = {'name': i.filename, 'method': i.compress_type, 'flags': i.flag_bits,
                 'system': i.create_system, 'external': i.external_attr,
                 'extra': i.extra.hex(), 'size': i.file_size, 'date': list(i.date_time)}
            if sys.argv[2] == '1':
                e['data'] = base64.b64encode(z.read(i)).decode()
            out['entries'].append(e)
except Exception as error:
    out['problem'] = repr(error)
print(json.dumps(out))
)";

// The system's python3 first: a version manager's shim on PATH may take
// seconds to start.
QString python()
{
    const QString system =
        QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    return system.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("python3")) : system;
}

} // namespace

ToolResult run(const QString &program, const QStringList &arguments)
{
    ToolResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(30000)) {
        result.output = program + QStringLiteral(" did not start: ") + process.errorString();
        return result;
    }
    process.closeWriteChannel();
    process.waitForFinished(120000);
    result.output = QString::fromUtf8(process.readAll());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

bool havePython()
{
    return !python().isEmpty();
}

QStringList Archive::names() const
{
    QStringList list;
    for (const Entry &entry : entries)
        list.append(entry.name);
    return list;
}

const Entry *Archive::find(const QString &name) const
{
    for (const Entry &entry : entries) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

Archive readArchive(const QString &path, bool withData)
{
    Archive archive;
    const ToolResult result =
        run(python(), {QStringLiteral("-c"), QString::fromUtf8(ReadScript), path,
                       withData ? QStringLiteral("1") : QStringLiteral("0")});
    const QJsonObject root = QJsonDocument::fromJson(result.output.toUtf8()).object();
    if (root.isEmpty()) {
        archive.problem = result.output;
        return archive;
    }
    archive.valid = root.value(QLatin1String("valid")).toBool();
    archive.problem = root.value(QLatin1String("problem")).toString();
    const QJsonArray entries = root.value(QLatin1String("entries")).toArray();
    for (const QJsonValue &value : entries) {
        const QJsonObject object = value.toObject();
        Entry entry;
        entry.name = object.value(QLatin1String("name")).toString();
        entry.method = object.value(QLatin1String("method")).toInt();
        entry.flags = object.value(QLatin1String("flags")).toInt();
        entry.system = object.value(QLatin1String("system")).toInt();
        entry.external = quint32(object.value(QLatin1String("external")).toDouble());
        entry.centralExtra =
            QByteArray::fromHex(object.value(QLatin1String("extra")).toString().toLatin1());
        entry.size = qint64(object.value(QLatin1String("size")).toDouble());
        const QJsonArray date = object.value(QLatin1String("date")).toArray();
        entry.dosTime = QDateTime(QDate(date[0].toInt(), date[1].toInt(), date[2].toInt()),
                                  QTime(date[3].toInt(), date[4].toInt(), date[5].toInt()));
        entry.data =
            QByteArray::fromBase64(object.value(QLatin1String("data")).toString().toLatin1());
        archive.entries.append(entry);
    }
    return archive;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace ZipTest
