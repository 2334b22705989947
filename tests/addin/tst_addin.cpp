#include "addin/addin.h"

#include "addintestsupport.h"

#include "../datarows.h"

#include "tests/fakehost/debugcapture.h"

#include "platform/componentregistry.h"
#include "platform/programsettings.h"
#include "platform/runtimeerror.h"
#include "tests/platform/platformtest.h"

#include <QTest>

#include <optional>

namespace AM = Brimble::ApplicationManager;
using Corvane::Platform::ComponentRegistry;
using namespace DataRows;
namespace ProgramSettings = Corvane::Platform::ProgramSettings;

namespace {

const QString kPageClass = "CorvaneBrimble.ucActionPadEditor";
const QByteArray kBeforeConfigureLine =
    "*** m_Application_BeforeConfigure: settings should be saved under corvane (registry)\r\n";

void setDebugSetting(const QString &value)
{
    if (value.isNull())
        ProgramSettings::deleteSetting("CorvaneAdministration", "General", "Debug");
    else
        ProgramSettings::saveSetting("CorvaneAdministration", "General", "Debug", value);
}

} // namespace

class tst_Addin : public QObject
{
    Q_OBJECT

private:
    std::optional<AddinTest::Fixture> m_fixture;
    std::optional<Brimble::Addin> m_addin;
    QVariantList m_custom;

    FakeHost::Host &host() { return m_fixture->host; }
    void connectAddin(QObject *application)
    {
        m_addin->OnConnection(application, Corvane::Host::ConnectMode::AfterStartup, nullptr,
                              m_custom);
    }
    // Raises BeforeConfigure on the application; gives the pages added.
    int raise(FakeHost::Application &application)
    {
        FakeHost::Pages pages;
        bool cancel = false;
        application.raiseBeforeConfigure(&pages, &cancel);
        return pages.Count();
    }

private slots:
    void init()
    {
        m_fixture.emplace(false);
        m_addin.emplace();
        ComponentRegistry::instance().registerFactory(kPageClass, [] { return new QObject; });
        host().translations.insert("BrimbleError.513-description", "No database is open.");
        setDebugSetting({});
    }

    void cleanup()
    {
        ComponentRegistry::instance().unregisterFactory(kPageClass);
        m_addin.reset();
        setDebugSetting({});
        m_fixture.reset();
    }

    void theHostsApplicationIsHeardUntilDisconnection()
    {
        connectAddin(&host().application);
        QCOMPARE(host().log.lines.value(0), QStringLiteral("SplashMessage CorvaneBrimble.Addin"));
        QCOMPARE(raise(host().application), 1);
        m_addin->OnDisconnection(Corvane::Host::RemoveMode::UserClosed, m_custom);
        QVERIFY(!AM::IsInitialized());
        QCOMPARE(raise(host().application), 0);
    }

    void beforeConfigure_data()
    {
        // The Debug setting (null: missing), the flag before the event, a database open,
        // configuration allowed; pages added, error, flag after.
        columns<QString, bool, bool, bool, int, int, bool>(
            {"setting", "flagBefore", "database", "allowed", "pages", "error", "flagAfter"});
        const QString missing;
        row("missing setting switches debug on", missing, false, true, true, 1, 0, true);
        row("False switches it off", "False", true, true, true, 1, 0, false);
        row("configuration not allowed: no page", "0", true, true, false, 0, 0, false);
        row("no database: error 513 after the flag is read", "0", true, false, true, 0,
            int(0x80040201), false);
    }

    void beforeConfigure()
    {
        QFETCH(QString, setting);
        QFETCH(bool, flagBefore);
        QFETCH(bool, database);
        QFETCH(bool, allowed);
        setDebugSetting(setting);
        if (!database)
            host().database.close();
        host().application.allowsConfiguration = allowed;
        connectAddin(&host().application);
        Brimble::VBDebug::SetDebugFlag(flagBefore);

        FakeHost::DebugCapture capture;
        FakeHost::Pages added;
        bool cancel = flagBefore; // comes back unchanged
        QTEST(errorOf([&] { host().application.raiseBeforeConfigure(&added, &cancel); }), "error");
        QTEST(added.Count(), "pages");
        QCOMPARE(cancel, flagBefore);
        // The event's line follows the flag as it stood before the event.
        QCOMPARE(capture.lines.contains(kBeforeConfigureLine), flagBefore);
        QTEST(Brimble::VBDebug::DebugFlag(), "flagAfter");
    }
};

QTEST_GUILESS_MAIN(tst_Addin)
#include "tst_addin.moc"
