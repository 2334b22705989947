#include "ziptestsupport.h"

#include "zip/zipcomponent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <sys/fsuid.h>
#include <unistd.h>

namespace ZipTest {

namespace {

// The archive's state ("ok" or the problem), then one line per entry.
const char *const ReadScript = R"(
import base64, sys, zipfile
sys.stdout.reconfigure(encoding='utf-8')
try:
    with zipfile.ZipFile(sys.argv[1]) as z:
        bad = z.testzip()
        print('ok' if bad is None else 'bad CRC in ' + bad)
        for i in z.infolist():
            data = base64.b64encode(z.read(i)).decode()
            print('\t'.join(map(str, [i.filename, i.compress_type, i.flag_bits, i.create_system,
                  i.external_attr, i.extra.hex(), '%04d-%02d-%02dT%02d:%02d:%02d' % i.date_time,
                  data])))
except Exception as error:
    print(repr(error))
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

Archive readArchive(const QString &path)
{
    Archive archive;
    QStringList lines =
        run(python(), {"-c", ReadScript, path}).output.split('\n', Qt::SkipEmptyParts);
    archive.problem = lines.isEmpty() ? QStringLiteral("no output") : lines.takeFirst();
    archive.valid = archive.problem == QLatin1String("ok");
    for (const QString &line : std::as_const(lines)) {
        const QStringList f = line.split('\t');
        if (f.size() != 8)
            return {false, line, {}};
        archive.entries.append({f[0], f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toUInt(),
                                QByteArray::fromHex(f[5].toLatin1()),
                                QDateTime::fromString(f[6], Qt::ISODate),
                                QByteArray::fromBase64(f[7].toLatin1())});
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

QByteArray randomBytes(qsizetype size)
{
    QList<quint32> words((size + 3) / 4);
    QRandomGenerator(4711).fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char *>(words.constData()), size);
}

QByteArray pageText(int seed, int lines)
{
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += "<p class=\"item\">Line " + QByteArray::number(i * 7919 + seed) + " of page " +
                QByteArray::number(seed) + "</p>\n";
    return text;
}

QList<QVariant> zipToEnd(Corvane::Zip::ZipComponent &zip, bool preview, bool asNobody,
                         int timeoutMs)
{
    QSignalSpy completed(&zip, &Corvane::Zip::ZipComponent::ProcessCompleted);
    // Threads started now reach files as the user "nobody", whom permissions stop (root
    // would read anything); the calling thread is root again after.
    const bool nobody = asNobody && geteuid() == 0;
    if (nobody) {
        setfsgid(65534);
        setfsuid(65534);
    }
    const int started = preview ? zip.Preview(false) : zip.Zip();
    if (nobody) {
        setfsuid(0);
        setfsgid(0);
    }
    if (started != Corvane::Zip::ZipResult::Success ||
        !QTest::qWaitFor([&] { return completed.count() > 0; }, timeoutMs))
        return QList<QVariant>(9, QVariant(-1));
    return completed.takeFirst();
}

} // namespace ZipTest
