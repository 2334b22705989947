#include "addin/addin.h"

#include "addintestsupport.h"

#include "../datarows.h"

#include "tests/fakehost/debugcapture.h"

#include "platform/componentregistry.h"
#include "platform/programsettings.h"
#include "platform/runtimeerror.h"

#include <QTest>

#include <optional>

namespace AM = Brimble::ApplicationManager;
using Corvane::Platform::ComponentRegistry;
using namespace DataRows;
using Corvane::Platform::RuntimeError;
namespace ProgramSettings = Corvane::Platform::ProgramSettings;

namespace {

const QString kPageClass = "CorvaneBrimble.ucActionPadEditor";
const QByteArray kBeforeConfigureLine =
    "*** m_Application_BeforeConfigure: settings should be saved under corvane (registry)\r\n";

// An object that answers SplashMessage but is no host application.
class SplashOnly : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void SplashMessage(const QString &text) { messages.append(text); }
    QStringList messages;
};

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

    void onConnection_data()
    {
        // kind: 0 null, 1 no SplashMessage, 2 not an application, 3 the host's application
        columns<int, int>({"kind", "expectedError"});
        row("null application", 0, 424);
        row("no SplashMessage member", 1, 438);
        row("not the host's application", 2, 13);
        row("the host's application", 3, 0);
    }

    void onConnection()
    {
        QFETCH(int, kind);
        QFETCH(int, expectedError);
        QObject plain;
        SplashOnly splashOnly;
        QObject *objects[] = {nullptr, &plain, &splashOnly, &host().application};
        int error = 0;
        try {
            connectAddin(objects[kind]);
        } catch (const RuntimeError &thrown) {
            error = thrown.number();
        }
        QCOMPARE(error, expectedError);
        QCOMPARE(AM::IsInitialized(), expectedError == 0);
        if (kind == 3) { // heard until disconnected
            QCOMPARE(raise(host().application), 1);
            m_addin->OnDisconnection(Corvane::Host::RemoveMode::UserClosed, m_custom);
            QVERIFY(!AM::IsInitialized());
            QCOMPARE(raise(host().application), 0);
        }
        if (kind >= 2) // the splash line comes first, whatever follows
            QCOMPARE(
                splashOnly.messages + host().log.matching("SplashMessage"),
                QStringList{(kind == 2 ? "" : "SplashMessage ") + QString("CorvaneBrimble.Addin")});
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
        row("-1 is true", "-1", false, true, true, 1, 0, true);
        row("2 is true", "2", false, true, true, 1, 0, true);
        row("TRUE is true", "TRUE", false, true, true, 1, 0, true);
        row("configuration not allowed: no page", "0", true, true, false, 0, 0, false);
        row("no database: error 513 after the flag is read", "0", true, false, true, 0,
            int(0x80040201), false);
        row("setting that is no Boolean: type mismatch first", "yes", true, false, true, 0, 13,
            true);
    }

    void beforeConfigure()
    {
        QFETCH(QString, setting);
        QFETCH(bool, flagBefore);
        QFETCH(bool, database);
        QFETCH(bool, allowed);
        QFETCH(int, pages);
        QFETCH(int, error);
        QFETCH(bool, flagAfter);
        setDebugSetting(setting);
        if (!database)
            host().database.close();
        host().application.allowsConfiguration = allowed;
        connectAddin(&host().application);
        Brimble::VBDebug::SetDebugFlag(flagBefore);

        FakeHost::DebugCapture capture;
        FakeHost::Pages added;
        bool cancel = flagBefore; // comes back unchanged
        int thrown = 0;
        try {
            host().application.raiseBeforeConfigure(&added, &cancel);
        } catch (const RuntimeError &e) {
            thrown = e.number();
        }
        QCOMPARE(thrown, error);
        QCOMPARE(added.Count(), pages);
        QCOMPARE(cancel, flagBefore);
        // The event's line follows the flag as it stood before the event.
        QCOMPARE(capture.lines.contains(kBeforeConfigureLine), flagBefore);
        QCOMPARE(Brimble::VBDebug::DebugFlag(), flagAfter);
    }
};

QTEST_GUILESS_MAIN(tst_Addin)
#include "tst_addin.moc"
