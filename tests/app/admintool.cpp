#include "admintool.h"

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"
#include "dravo/servercache.h"
#include "dravo/settingstree.h"
#include "dravo/tablecatalog.h"
#include "platform/runtimeerror.h"

#include <QProcess>
#include <QTest>

#include <algorithm>

namespace AdminTool {

QStringList Result::errorLines() const
{
    return errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString program()
{
    return qEnvironmentVariable("CORVANE_BIN_DIR") + QStringLiteral("/corvane-admin");
}

Result run(const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program(), arguments);
    Result result;
    if (!process.waitForFinished(120000)) {
        qWarning("corvane-admin %s did not finish", qPrintable(arguments.join(QLatin1Char(' '))));
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
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

QList<Corvane::Dravo::TableRecord> tables(const QString &location)
{
    try {
        const std::unique_ptr<Corvane::Dravo::Engine> engine =
            Corvane::Dravo::Engine::open(location);
        return Corvane::Dravo::TableCatalog(*engine).all();
    } catch (const Corvane::Platform::RuntimeError &error) {
        qWarning("%s", qPrintable(error.toString()));
        return {};
    }
}

QString databaseState(const QString &location)
try {
    const std::unique_ptr<Corvane::Dravo::Engine> engine = Corvane::Dravo::Engine::open(location);
    QStringList lines;
    for (const Corvane::Dravo::TableRecord &table : Corvane::Dravo::TableCatalog(*engine).all())
        lines.append(QStringLiteral("table %1 %2 %3 %4 %5 %6")
                         .arg(table.id)
                         .arg(table.name, table.fallbackName, table.inspectorName)
                         .arg(table.idTable)
                         .arg(table.localName));
    Corvane::Dravo::SettingsTree settings(*engine);
    for (const QString &path :
         {QStringLiteral("WebBar"), QStringLiteral("Overview"),
          QStringLiteral("Inspectors\\Customers\\WebBar"),
          QStringLiteral("Inspectors\\Orders\\WebBar"),
          QStringLiteral("Inspectors\\Products\\WebBar"), QStringLiteral("Inspectors\\Foo\\WebBar"),
          QStringLiteral("A"), QStringLiteral("X")}) {
        for (const QString &name :
             {QStringLiteral("URL"), QStringLiteral("B"), QStringLiteral("Y")})
            lines.append(
                QStringLiteral("setting %1 %2 %3")
                    .arg(path, name,
                         settings.value(path, name).value_or(QStringLiteral("-")).toString()));
    }
    lines.append(QStringLiteral("webfolder ") + engine->webFolder());
    Corvane::Dravo::ActionPadStore store(*engine);
    QStringList attributes;
    const QHash<QString, QString> stored = store.attributes();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        attributes.append(it.key() + QLatin1Char('=') + it.value());
    std::sort(attributes.begin(), attributes.end());
    lines.append(
        QStringLiteral("archive %1 %2").arg(store.contentSize()).arg(attributes.join(',')));
    lines.append(QStringLiteral("cache %1").arg(Corvane::Dravo::ServerCache(*engine).generation()));
    return lines.join(QLatin1Char('\n'));
} catch (const Corvane::Platform::RuntimeError &error) {
    return QStringLiteral("unreadable: ") + error.toString();
}

} // namespace AdminTool
