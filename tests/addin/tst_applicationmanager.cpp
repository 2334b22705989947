#include "addintestsupport.h"

#include "../datarows.h"
#include "tests/fakehost/debugcapture.h"

#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

namespace AM = Brimble::ApplicationManager;
using namespace DataRows;

namespace {

// A path written with '/' in the platform's form.
QString n(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

class tst_ApplicationManager : public QObject
{
    Q_OBJECT

private:
    std::optional<AddinTest::Fixture> m_fixture;
    QTemporaryDir m_web, m_cwd;
    QString m_oldCwd;

    FakeHost::Host &host() { return m_fixture->host; }
    QString web() const { return n(m_web.path() + '/'); }

private slots:
    void init()
    {
        QVERIFY(m_web.isValid() && m_cwd.isValid());
        m_fixture.emplace(false);
        host().database.setWebFolder(m_web.path());
        Brimble::VBDebug::SetDebugFlag(true);
        m_oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_cwd.path()));
    }

    void cleanup()
    {
        QDir::setCurrent(m_oldCwd);
        m_fixture.reset();
    }

    void isUrl_data()
    {
        columns<QString, bool>({"text", "expected"});
        row("https mixed case", "HtTpS://server/pad.htm", true);
        row("res", "res://brimble.dll/pad.htm", true);
        row("file upper case", "FILE:///srv/pads/a.htm", true);
        row("bare scheme", "HTTP://", true);
        row("ftp is no action pad address", "ftp://server/pad.htm", false);
        row("one slash after the scheme", "http:/server/pad.htm", false);
        row("shorter than its prefix", "res:/", false);
        row("scheme not at the start", " http://server", false);
    }

    void isUrl()
    {
        QFETCH(QString, text);
        QTEST(AM::IsUrl(text), "expected");
    }

    void addTrailingSeparator_data()
    {
        columns<QString, QString>({"text", "expected"});
        row("empty stays empty", "", "");
        row("folder without separator", n("pads/web"), n("pads/web/"));
        row("web address without slash", "http://server/pads", "http://server/pads/");
        row("web address with slash", "HTTP://server/pads/", "HTTP://server/pads/");
    }

    void addTrailingSeparator()
    {
        QFETCH(QString, text);
        QTEST(AM::AddTrailingSeparator(text), "expected");
    }

    void makeRelativeToFolder_data()
    {
        columns<QString, QString, QString, QString>(
            {"webFolder", "fileName", "folder", "expected"});
        const QString lower = n("/srv/pads/"), upper = lower.toUpper();
        row("folder in upper case, path in lower case", "", lower + n("sub/a.htm"), upper,
            n("sub/a.htm"));
        row("path is the folder itself", "", lower, upper, "");
        row("path shorter than the folder", "", n("/srv"), lower, n("/srv"));
        row("empty folder means the action pad folder", lower, upper + "a.htm", "", "a.htm");
        row("empty base leaves every name", "", lower + "a.htm", "", lower + "a.htm");
    }

    void makeRelativeToFolder()
    {
        QFETCH(QString, webFolder);
        QFETCH(QString, fileName);
        QFETCH(QString, folder);
        host().database.setWebFolder(webFolder);
        m_fixture->connect();
        QTEST(AM::MakeRelativeToFolder(fileName, folder), "expected");
    }

    void getActionPadFolder_data()
    {
        columns<bool, bool, int>({"connected", "debug", "expectedLines"}); // in two calls
        row("host connected: its web folder", true, true, 0);
        row("no host, debug on: a line on every call", false, true, 2);
        row("no host, debug off: silent", false, false, 0);
    }

    void getActionPadFolder()
    {
        QFETCH(bool, connected);
        QFETCH(bool, debug);
        QFETCH(int, expectedLines);
        if (connected)
            m_fixture->connect();
        Brimble::VBDebug::SetDebugFlag(debug);
        FakeHost::DebugCapture capture;
        const QString expected = connected ? web() : AM::developerFolder();
        QCOMPARE(AM::GetActionPadFolder(), expected);
        QCOMPARE(AM::GetActionPadFolder(), expected);
        QCOMPARE(capture.lines.size(), expectedLines);
        for (const QByteArray &line : std::as_const(capture.lines))
            QCOMPARE(line, "Error: Application is not initialized, use debug value WebFolder\r\n");
    }

    void applicationAndDatabaseFollowTheHost()
    {
        QVERIFY(!AM::IsInitialized());
        {
            FakeHost::CallLog log;
            FakeHost::Application other(log, host().host);
            AM::SetApplication(&other);
            QCOMPARE(AM::GetDatabase(), host().host.database());
        }
        QVERIFY(!AM::IsInitialized()); // the application is gone
    }
};

QTEST_GUILESS_MAIN(tst_ApplicationManager)
#include "tst_applicationmanager.moc"
