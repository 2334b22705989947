#include "dravotest.h"

#include "dravo/components.h"
#include "dravo/dataupdate.h"
#include "dravo/servercache.h"
#include "platform/componentregistry.h"
#include "platform/debugoutput.h"
#include "platform/latebinding.h"

using Corvane::Dravo::DataUpdate;
using Corvane::Dravo::Engine;
using Corvane::Dravo::ServerCache;
using DravoTest::ScratchDatabase;
namespace LateBinding = Corvane::Platform::LateBinding;

namespace {

// What the add-in sends, exactly.
const QString kRefreshCommand =
    QStringLiteral("<procedure name='qsp_refreshqdc' log='0' timeout='0'></procedure>");

} // namespace

class TstDataUpdate final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        DRAVO_REQUIRE_BACKEND();
        Corvane::Dravo::registerComponents();
    }

    void init()
    {
        m_db = std::make_unique<ScratchDatabase>();
        m_engine = Engine::create(m_db->location());
    }

    void cleanup()
    {
        Corvane::Platform::setDebugOutputSink({});
        m_engine.reset();
        m_db.reset();
    }

    // As the add-in does it: created by class identifier, called by name.
    void refreshCommandIncreasesTheGeneration()
    {
        const auto component = Corvane::Platform::ComponentRegistry::instance().create(
            QStringLiteral("Norrick.Data.Components.Wrapper.DataUpdate"));
        LateBinding::setProperty(component.get(), "Server", m_engine->location().serverName());
        const QString database = m_engine->location().databaseNameForServer();
        QVERIFY(!LateBinding::call(component.get(), "ExecuteProcedure",
                                   {kRefreshCommand, database, false})
                     .isValid());
        QCOMPARE(ServerCache(*m_engine).generation(), 1);
        QCOMPARE(LateBinding::call(component.get(), "ExecuteProcedure",
                                   {kRefreshCommand, database, true})
                     .toLongLong(),
                 2);
        QCOMPARE(ServerCache(*m_engine).generation(), 2);
    }

    void refusesBadCommands_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("fragment");
        const QString ok = QStringLiteral("<procedure name='qsp_refreshqdc'/>");
        QTest::newRow("not XML") << ""
                                 << "qsp_refreshqdc"
                                 << "not well-formed";
        QTest::newRow("empty") << ""
                               << " "
                               << "it is empty";
        QTest::newRow("unclosed element") << ""
                                          << "<procedure name='qsp_refreshqdc'>"
                                          << "not well-formed";
        QTest::newRow("second element after it") << "" << ok + ok << "not well-formed";
        QTest::newRow("wrong element") << ""
                                       << "<query name='qsp_refreshqdc'/>"
                                       << "<query>";
        QTest::newRow("no name") << ""
                                 << "<procedure log='0' timeout='0'></procedure>"
                                 << "names no procedure";
        QTest::newRow("unknown procedure") << ""
                                           << "<procedure name='qsp_dropall'/>"
                                           << "\"qsp_dropall\" is not known";
        QTest::newRow("timeout not a number") << ""
                                              << "<procedure name='qsp_refreshqdc' timeout='soon'/>"
                                              << "timeout='soon'";
        QTest::newRow("negative log") << ""
                                      << "<procedure name='qsp_refreshqdc' log='-1'/>"
                                      << "log='-1'";
        QTest::newRow("child element") << ""
                                       << "<procedure name='qsp_refreshqdc'><a/></procedure>"
                                       << "holds <a>";
        QTest::newRow("Server not set") << "none" << ok << "Server is not set";
        QTest::newRow("unknown server kind") << "mssql://host" << ok << "server name must be";
    }

    void refusesBadCommands()
    {
        QFETCH(QString, server);
        QFETCH(QString, command);
        QFETCH(QString, fragment);
        DRAVO_EXPECT_ERROR(execute(command, server), 5, fragment);
        QCOMPARE(ServerCache(*m_engine).generation(), 0);
    }

    void logWritesOneDebugLine()
    {
        QList<QByteArray> lines;
        Corvane::Platform::setDebugOutputSink([&](const QByteArray &text) { lines.append(text); });
        execute(kRefreshCommand);
        // Other spellings of the same command are accepted too.
        execute(QStringLiteral("<?xml version='1.0'?>\n<procedure name=\"QSP_REFRESHQDC\" "
                               "log='1' timeout='30'/>\n"));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains("qsp_refreshqdc") && lines.first().contains("generation 2"),
                 lines.first().constData());
    }

private:
    // Runs the command on the test database; `server` "none" leaves Server unset.
    void execute(const QString &command, const QString &server = {})
    {
        DataUpdate component;
        if (server.isEmpty())
            component.setServer(m_engine->location().serverName());
        else if (server != QLatin1String("none"))
            component.setServer(server);
        component.ExecuteProcedure(command, m_engine->location().databaseNameForServer(), false);
    }

    std::unique_ptr<ScratchDatabase> m_db;
    std::unique_ptr<Engine> m_engine;
};

DRAVO_TEST_MAIN(TstDataUpdate)
#include "tst_dataupdate.moc"
