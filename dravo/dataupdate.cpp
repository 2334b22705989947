#include "dataupdate.h"

#include "engine.h"
#include "servercache.h"

#include "host/api/datafile.h"
#include "platform/debugoutput.h"
#include "platform/runtimeerror.h"

#include <QXmlStreamReader>

namespace Corvane::Dravo {

namespace {

const QLatin1String kRefreshCache("qsp_refreshqdc");

QString source()
{
    return QString::fromLatin1(Host::ClassId::DataUpdate);
}

[[noreturn]] void badCommand(const QString &command, const QString &reason)
{
    Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, source(),
                         QStringLiteral("the procedure command \"%1\" is not usable: %2. Send "
                                        "<procedure name='...' log='0' timeout='0'></procedure>.")
                             .arg(command, reason));
}

struct ProcedureCommand
{
    QString name;
    bool log = false;
    int timeoutSeconds = 0;
};

int numberAttribute(const QString &command, const QXmlStreamAttributes &attributes,
                    const QString &name)
{
    if (!attributes.hasAttribute(name))
        return 0;
    bool ok = false;
    const int value = attributes.value(name).toInt(&ok);
    if (!ok || value < 0)
        badCommand(command, QStringLiteral("the attribute %1='%2' is not a number of 0 or more")
                                .arg(name, attributes.value(name).toString()));
    return value;
}

ProcedureCommand parseCommand(const QString &command)
{
    if (command.trimmed().isEmpty())
        badCommand(command, QStringLiteral("it is empty"));
    QXmlStreamReader reader(command);
    if (!reader.readNextStartElement())
        badCommand(command,
                   reader.hasError()
                       ? QStringLiteral("it is not well-formed XML (%1)").arg(reader.errorString())
                       : QStringLiteral("it holds no element"));
    if (reader.name() != QLatin1String("procedure"))
        badCommand(
            command,
            QStringLiteral("the element is <%1>, not <procedure>").arg(reader.name().toString()));

    ProcedureCommand procedure;
    const QXmlStreamAttributes attributes = reader.attributes();
    procedure.name = attributes.value(QLatin1String("name")).toString().trimmed();
    if (procedure.name.isEmpty())
        badCommand(command, QStringLiteral("it names no procedure (attribute name)"));
    procedure.log = numberAttribute(command, attributes, QStringLiteral("log")) != 0;
    procedure.timeoutSeconds = numberAttribute(command, attributes, QStringLiteral("timeout"));

    // Nothing inside the element, nothing after it.
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement())
            badCommand(command, QStringLiteral("the element <procedure> must be empty, it holds "
                                               "<%1>")
                                    .arg(reader.name().toString()));
        if (reader.isCharacters() && !reader.isWhitespace())
            badCommand(command, QStringLiteral("the element <procedure> must be empty"));
    }
    if (reader.hasError())
        badCommand(command,
                   QStringLiteral("it is not well-formed XML (%1)").arg(reader.errorString()));
    return procedure;
}

} // namespace

DataUpdate::DataUpdate(QObject *parent)
    : QObject(parent)
{
}

DataUpdate::~DataUpdate() = default;

QVariant DataUpdate::ExecuteProcedure(const QString &command, const QString &databaseName,
                                      bool wantResult)
{
    const ProcedureCommand procedure = parseCommand(command);
    if (procedure.name.compare(kRefreshCache, Qt::CaseInsensitive) != 0)
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, source(),
                             QStringLiteral("the procedure \"%1\" is not known to the server "
                                            "(known: %2). Check the command.")
                                 .arg(procedure.name, kRefreshCache));
    if (m_server.isEmpty())
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, source(),
                             QStringLiteral("Server is not set: set it to the database's server "
                                            "name before ExecuteProcedure."));

    const std::unique_ptr<Engine> engine =
        Engine::open(DatabaseLocation::fromServer(m_server, databaseName));
    if (procedure.timeoutSeconds > 0 && engine->isPostgreSql())
        engine->execute(QStringLiteral("SET statement_timeout = %1")
                            .arg(qint64(procedure.timeoutSeconds) * 1000));
    ServerCache cache(*engine);
    // Right after an archive was stored, the refresh's commit may be the one
    // that copies the write-ahead log into a SQLite file: a worker does it.
    engine->runOnWorker([&] { cache.refresh(); });
    const qint64 generation = cache.generation();
    if (procedure.log)
        Platform::outputDebugString(QStringLiteral("%1 on %2: cache generation %3\n")
                                        .arg(kRefreshCache, engine->location().displayText())
                                        .arg(generation)
                                        .toUtf8());
    return wantResult ? QVariant(generation) : QVariant();
}

} // namespace Corvane::Dravo
