#include "admintool.h"

#include "dravo/actionpadstore.h"
#include "dravo/servercache.h"
#include "dravo/settingstree.h"
#include "dravo/tablecatalog.h"

#include <QJsonDocument>
#include <QProcess>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace AdminTool {

QString program()
{
    return qEnvironmentVariable("CORVANE_BIN_DIR") + u"/corvane-admin"_s;
}

Result run(const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program(), arguments);
    Result result;
    if (!process.waitForFinished(120000)) {
        qWarning("corvane-admin %s did not finish", qPrintable(arguments.join(u' ')));
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QString runTool(const QString &program, const QStringList &arguments, const QString &workingFolder,
                int *exitCode)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString databaseState(const QString &location)
try {
    const std::unique_ptr<Corvane::Dravo::Engine> engine = Corvane::Dravo::Engine::open(location);
    QStringList lines;
    for (const Corvane::Dravo::TableRecord &t : Corvane::Dravo::TableCatalog(*engine).all())
        lines.append(u"table %1 %2 %3 %4 %5 %6"_s.arg(t.id)
                         .arg(t.name, t.fallbackName, t.inspectorName)
                         .arg(t.idTable)
                         .arg(t.localName));
    Corvane::Dravo::SettingsTree settings(*engine);
    for (const QString &path : {u"WebBar"_s, u"Overview"_s, u"Inspectors\\Customers\\WebBar"_s,
                                u"Inspectors\\Products\\WebBar"_s, u"X"_s})
        for (const QString &name : {u"URL"_s, u"Y"_s})
            lines.append(u"setting %1 %2 %3"_s.arg(
                path, name, settings.value(path, name).value_or(u"-"_s).toString()));
    lines.append(u"webfolder "_s + engine->webFolder());
    Corvane::Dravo::ActionPadStore store(*engine);
    QStringList attributes;
    const QHash<QString, QString> stored = store.attributes();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        attributes.append(it.key() + u'=' + it.value());
    std::sort(attributes.begin(), attributes.end());
    lines.append(u"archive %1 %2 cache %3"_s.arg(store.contentSize())
                     .arg(attributes.join(u','))
                     .arg(Corvane::Dravo::ServerCache(*engine).generation()));
    return lines.join(u'\n');
} catch (const Corvane::Platform::RuntimeError &error) {
    return u"unreadable: "_s + error.toString();
}

QJsonObject Demo::show() const
{
    const Result shown = admin({u"actionpads"_s, u"show"_s, u"--json"_s});
    if (shown.exitCode != 0)
        qWarning("actionpads show: %s", qPrintable(shown.errors));
    return QJsonDocument::fromJson(shown.output.toUtf8()).object();
}

} // namespace AdminTool
