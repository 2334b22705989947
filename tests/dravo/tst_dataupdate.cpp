#include "dravotest.h"
#include "tests/datarows.h"

#include "dravo/components.h"
#include "dravo/dataupdate.h"
#include "dravo/servercache.h"
#include "platform/componentregistry.h"
#include "platform/latebinding.h"

using Corvane::Dravo::DataUpdate;
using Corvane::Dravo::Engine;
using Corvane::Dravo::ServerCache;
using DravoTest::ScratchDatabase;
namespace LateBinding = Corvane::Platform::LateBinding;
using namespace DataRows;

class tst_DataUpdate final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        DRAVO_REQUIRE_BACKEND();
        Corvane::Dravo::registerComponents();
    }

    // As the add-in does it: created by class identifier, called by name.
    void refreshCommandIncreasesTheGeneration()
    {
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        const auto component = Corvane::Platform::ComponentRegistry::instance().create(
            "Norrick.Data.Components.Wrapper.DataUpdate");
        LateBinding::setProperty(component.get(), "Server", engine->location().serverName());
        const QString database = engine->location().databaseNameForServer();
        QVERIFY(
            !LateBinding::call(component.get(), "ExecuteProcedure",
                               {"<procedure name='qsp_refreshqdc' log='0' timeout='0'></procedure>",
                                database, false})
                 .isValid());
        QCOMPARE(ServerCache(*engine).generation(), 1);
        QVERIFY(ServerCache(*engine).refreshedAt().isValid());
    }

    void refusesBadCommands_data()
    {
        // server: "" the test database's, "none" not set; damage: a statement run first
        columns<QString, QString, QString, QString>({"server", "command", "damage", "fragment"});
        const char *ok = "<procedure name='qsp_refreshqdc'/>";
        row("not XML", "", "qsp_refreshqdc", "", "not well-formed");
        row("unknown procedure", "", "<procedure name='qsp_dropall'/>", "",
            "\"qsp_dropall\" is not known");
        row("Server not set", "none", ok, "", "Server is not set");
        row("server cache record missing", "", ok, "DELETE FROM server_cache",
            "server cache record is missing");
    }

    void refusesBadCommands()
    {
        QFETCH(QString, server);
        QFETCH(QString, command);
        QFETCH(QString, damage);
        QFETCH(QString, fragment);
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        if (!damage.isEmpty())
            db.execute(damage);
        DataUpdate component;
        if (server.isEmpty())
            component.setServer(engine->location().serverName());
        else if (server != "none")
            component.setServer(server);
        DRAVO_EXPECT_ERROR(
            component.ExecuteProcedure(command, engine->location().databaseNameForServer(), false),
            5, fragment);
        QCOMPARE(ServerCache(*engine).generation(), 0);
    }
};

DRAVO_TEST_MAIN(tst_DataUpdate)
#include "tst_dataupdate.moc"
