#include "addin/addin.h"
#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/vbdebug.h"

#include "tests/fakehost/debugcapture.h"
#include "tests/fakehost/fakehost.h"

#include "platform/componentregistry.h"
#include "platform/programsettings.h"
#include "platform/runtimeerror.h"

#include <QTest>

#include <optional>

namespace AM = Brimble::ApplicationManager;
using Corvane::Platform::ComponentRegistry;
using Corvane::Platform::RuntimeError;
namespace ProgramSettings = Corvane::Platform::ProgramSettings;

namespace {

const QString kPageClass = QStringLiteral("CorvaneBrimble.ucActionPadEditor");
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
    std::optional<FakeHost::Host> m_host;
    std::optional<Brimble::Addin> m_addin;
    QVariantList m_custom;
    int m_pagesMade = 0;

    FakeHost::Host &host() { return *m_host; }
    void connectAddin()
    {
        m_addin->OnConnection(&host().application, Corvane::Host::ConnectMode::AfterStartup,
                              nullptr, m_custom);
    }

private slots:
    void init()
    {
        m_host.emplace();
        m_addin.emplace();
        m_pagesMade = 0;
        // Stands in for the page until a library serves it: a plain object per call.
        ComponentRegistry::instance().registerFactory(kPageClass, [this] {
            auto *page = new QObject;
            page->setObjectName(QStringLiteral("page%1").arg(++m_pagesMade));
            return page;
        });
        host().translations.insert("BrimbleError.513-description", "No database is open.");
        Brimble::VBDebug::SetDebugFlag(false); // as when the library is loaded
        setDebugSetting({});
    }

    void cleanup()
    {
        ComponentRegistry::instance().unregisterFactory(kPageClass);
        m_addin.reset();
        AM::SetApplication(nullptr);
        Brimble::ResourceManager::ResetTranslatorForTests();
        Brimble::VBDebug::SetDebugFlag(false);
        setDebugSetting({});
        m_host.reset();
    }

    void onConnection()
    {
        connectAddin();
        QCOMPARE(host().log.lines.value(0), QStringLiteral("SplashMessage CorvaneBrimble.Addin"));
        QVERIFY(AM::IsInitialized());
        QCOMPARE(AM::GetApplication(), &host().application);
    }

    void onConnectionFailures_data()
    {
        QTest::addColumn<int>("kind"); // 0 null, 1 no SplashMessage, 2 not an application
        QTest::addColumn<int>("expectedError");
        QTest::newRow("null application") << 0 << 424;
        QTest::newRow("no SplashMessage member") << 1 << 438;
        QTest::newRow("not the host's application") << 2 << 13;
    }

    void onConnectionFailures()
    {
        QFETCH(int, kind);
        QFETCH(int, expectedError);
        QObject plain;
        SplashOnly splashOnly;
        QObject *application = kind == 0 ? nullptr : kind == 1 ? &plain : &splashOnly;
        try {
            m_addin->OnConnection(application, 0, nullptr, m_custom);
            QFAIL("OnConnection accepted the object");
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), expectedError);
        }
        QVERIFY(!AM::IsInitialized());
        if (kind == 2)
            QCOMPARE(splashOnly.messages, QStringList{"CorvaneBrimble.Addin"});
    }

    void onDisconnection()
    {
        connectAddin();
        m_addin->OnDisconnection(Corvane::Host::RemoveMode::UserClosed, m_custom);
        QVERIFY(!AM::IsInitialized());

        // Events no longer reach the add-in.
        FakeHost::Pages pages;
        bool cancel = false;
        host().application.raiseBeforeConfigure(&pages, &cancel);
        QCOMPARE(pages.Count(), 0);
    }

    void beforeConfigureAddsAPage()
    {
        connectAddin();
        FakeHost::Pages pages;
        bool cancel = false;
        host().application.raiseBeforeConfigure(&pages, &cancel);
        QCOMPARE(pages.Count(), 1);
        QCOMPARE(pages.pages.first()->objectName(), QStringLiteral("page1"));
    }

    void debugLineFollowsThePreviousFlag()
    {
        connectAddin();
        FakeHost::DebugCapture capture;
        FakeHost::Pages pages;
        bool cancel = false;
        host().application.raiseBeforeConfigure(&pages, &cancel);
        QVERIFY(capture.lines.isEmpty());       // the flag was still off
        QVERIFY(Brimble::VBDebug::DebugFlag()); // a missing setting switches it on
        host().application.raiseBeforeConfigure(&pages, &cancel);
        QCOMPARE(capture.lines, QByteArrayList{kBeforeConfigureLine});
    }

    void debugSetting_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("expectedFlag");
        QTest::newRow("missing") << QString() << true;
        QTest::newRow("false") << "false" << false;
        QTest::newRow("False") << "False" << false;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("true") << "true" << true;
        QTest::newRow("TRUE") << "TRUE" << true;
        QTest::newRow("-1") << "-1" << true;
        QTest::newRow("2") << "2" << true;
    }

    void debugSetting()
    {
        QFETCH(QString, setting);
        QFETCH(bool, expectedFlag);
        setDebugSetting(setting);
        connectAddin();
        FakeHost::Pages pages;
        bool cancel = false;
        host().application.raiseBeforeConfigure(&pages, &cancel);
        QCOMPARE(Brimble::VBDebug::DebugFlag(), expectedFlag);

        // The next event's line depends on the flag just read.
        FakeHost::DebugCapture capture;
        host().application.raiseBeforeConfigure(&pages, &cancel);
        QCOMPARE(capture.lines.contains(kBeforeConfigureLine), expectedFlag);
    }

    void debugSettingThatIsNoBoolean()
    {
        setDebugSetting("yes");
        host().application.database = nullptr; // the type mismatch comes first
        connectAddin();
        Brimble::VBDebug::SetDebugFlag(true);
        FakeHost::Pages pages;
        bool cancel = false;
        try {
            host().application.raiseBeforeConfigure(&pages, &cancel);
            QFAIL("the event accepted \"yes\"");
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), Corvane::Platform::ErrorNumber::TypeMismatch);
        }
        QCOMPARE(pages.Count(), 0);
        QVERIFY(Brimble::VBDebug::DebugFlag()); // unchanged
    }

    void noDatabase()
    {
        setDebugSetting("0");
        Brimble::VBDebug::SetDebugFlag(true);
        host().application.database = nullptr;
        connectAddin();
        FakeHost::Pages pages;
        bool cancel = false;
        try {
            host().application.raiseBeforeConfigure(&pages, &cancel);
            QFAIL("the event succeeded without a database");
        } catch (const RuntimeError &error) {
            QCOMPARE(static_cast<quint32>(error.number()), 0x80040201u);
            QCOMPARE(error.description(), QStringLiteral("No database is open."));
            QCOMPARE(error.source(), host().application.title);
        }
        QCOMPARE(pages.Count(), 0);
        QCOMPARE(m_pagesMade, 0);
        QVERIFY(!Brimble::VBDebug::DebugFlag()); // refreshed before the database test
    }

    void configurationNotAllowed()
    {
        host().application.allowsConfiguration = false;
        connectAddin();
        FakeHost::Pages pages;
        bool cancel = false;
        host().application.raiseBeforeConfigure(&pages, &cancel);
        QCOMPARE(pages.Count(), 0);
        QCOMPARE(m_pagesMade, 0);
    }

    void everyEventMakesANewPage()
    {
        connectAddin();
        FakeHost::Pages pages;
        bool cancel = false;
        host().application.raiseBeforeConfigure(&pages, &cancel);
        host().application.raiseBeforeConfigure(&pages, &cancel);
        QCOMPARE(pages.Count(), 2);
        QVERIFY(pages.pages.at(0) != pages.pages.at(1));
    }

    void cancelComesBackUnchanged_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("false, page added") << false << true;
        QTest::newRow("true, page added") << true << true;
        QTest::newRow("true, not allowed") << true << false;
        QTest::newRow("false, not allowed") << false << false;
    }

    void cancelComesBackUnchanged()
    {
        QFETCH(bool, cancel);
        QFETCH(bool, allowed);
        host().application.allowsConfiguration = allowed;
        connectAddin();
        FakeHost::Pages pages;
        bool value = cancel;
        host().application.raiseBeforeConfigure(&pages, &value);
        QCOMPARE(value, cancel);
    }

    void pageClassNotRegistered()
    {
        ComponentRegistry::instance().unregisterFactory(kPageClass);
        connectAddin();
        FakeHost::Pages pages;
        bool cancel = false;
        try {
            host().application.raiseBeforeConfigure(&pages, &cancel);
            QFAIL("the event succeeded without the page class");
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), Corvane::Platform::ErrorNumber::CannotCreateObject);
            QVERIFY2(error.description().contains(kPageClass), qPrintable(error.description()));
        }
        QCOMPARE(pages.Count(), 0);
    }

    void connectingTwiceListensToTheLatestApplication()
    {
        FakeHost::CallLog otherLog;
        FakeHost::Application other(otherLog);
        other.database = &host().database;
        m_addin->OnConnection(&other, 0, nullptr, m_custom);
        connectAddin();
        FakeHost::Pages pages;
        bool cancel = false;
        other.raiseBeforeConfigure(&pages, &cancel);
        QCOMPARE(pages.Count(), 0);
        host().application.raiseBeforeConfigure(&pages, &cancel);
        QCOMPARE(pages.Count(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_Addin)
#include "tst_addin.moc"
