#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/vbdebug.h"

#include "tests/fakehost/debugcapture.h"
#include "tests/fakehost/fakehost.h"

#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace AM = Brimble::ApplicationManager;

namespace {

const QString kSep = QDir::separator();

// The folder with the platform's separators and a final one.
QString folderOf(const QTemporaryDir &dir)
{
    return QDir::toNativeSeparators(dir.path()) + kSep;
}

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write("<html></html>");
}

} // namespace

class tst_ApplicationManager : public QObject
{
    Q_OBJECT

private:
    std::optional<FakeHost::Host> m_host;
    QTemporaryDir m_web;
    QTemporaryDir m_cwd;
    QString m_oldCwd;

    FakeHost::Host &host() { return *m_host; }
    void connectHost() { AM::SetApplication(&host().application); }

private slots:
    void init()
    {
        QVERIFY(m_web.isValid() && m_cwd.isValid());
        m_host.emplace();
        host().application.webFolder = folderOf(m_web);
        Brimble::VBDebug::SetDebugFlag(true);
        m_oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_cwd.path()));
    }

    void cleanup()
    {
        QDir::setCurrent(m_oldCwd);
        AM::SetApplication(nullptr);
        Brimble::ResourceManager::ResetTranslatorForTests();
        Brimble::VBDebug::SetDebugFlag(false);
        m_host.reset();
    }

    void isUrl_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("http lower case") << "http://server/pad.htm" << true;
        QTest::newRow("https mixed case") << "HtTpS://server/pad.htm" << true;
        QTest::newRow("res") << "res://brimble.dll/pad.htm" << true;
        QTest::newRow("file upper case") << "FILE:///srv/pads/a.htm" << true;
        QTest::newRow("bare scheme") << "HTTP://" << true;
        QTest::newRow("ftp is no action pad address") << "ftp://server/pad.htm" << false;
        QTest::newRow("drive letter") << "c:\\pads\\a.htm" << false;
        QTest::newRow("absolute path") << "/srv/pads/a.htm" << false;
        QTest::newRow("one slash after the scheme") << "http:/server/pad.htm" << false;
        QTest::newRow("https with one slash") << "https:/x" << false;
        QTest::newRow("shorter than its prefix") << "res:/" << false;
        QTest::newRow("scheme not at the start") << " http://server" << false;
        QTest::newRow("empty") << "" << false;
    }

    void isUrl()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(AM::IsUrl(text), expected);
    }

    void addTrailingSeparator_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty stays empty") << ""
                                           << "";
        QTest::newRow("folder without separator") << "pads" + kSep + "web"
                                                  << "pads" + kSep + "web" + kSep;
        QTest::newRow("folder with separator") << "pads" + kSep << "pads" + kSep;
        QTest::newRow("web address without slash") << "http://server/pads"
                                                   << "http://server/pads/";
        QTest::newRow("web address with slash") << "HTTP://server/pads/"
                                                << "HTTP://server/pads/";
    }

    void addTrailingSeparator()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(AM::AddTrailingSeparator(text), expected);
    }

    void makeRelativeToFolder_data()
    {
        QTest::addColumn<QString>("webFolder");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        const QString lower = kSep + "srv" + kSep + "pads" + kSep;
        const QString upper = lower.toUpper();
        QTest::newRow("folder in upper case, path in lower case")
            << "" << lower + "sub" + kSep + "a.htm" << upper << "sub" + kSep + "a.htm";
        QTest::newRow("path under another root")
            << "" << kSep + "other" + kSep + "a.htm" << upper << kSep + "other" + kSep + "a.htm";
        QTest::newRow("path is the folder itself") << "" << lower << upper << "";
        QTest::newRow("path shorter than the folder")
            << "" << kSep + "srv" << lower << kSep + "srv";
        QTest::newRow("empty folder means the action pad folder") << lower << upper + "a.htm"
                                                                  << ""
                                                                  << "a.htm";
        QTest::newRow("empty base leaves every name") << "" << lower + "a.htm"
                                                      << "" << lower + "a.htm";
    }

    void makeRelativeToFolder()
    {
        QFETCH(QString, webFolder);
        QFETCH(QString, fileName);
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        host().application.webFolder = webFolder;
        connectHost();
        QCOMPARE(AM::MakeRelativeToFolder(fileName, folder), expected);
    }

    void resolveActionPadFile_data()
    {
        QTest::addColumn<QStringList>("inWebFolder");
        QTest::addColumn<QStringList>("inCurrentFolder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("expectJoined");
        QTest::newRow("only in the action pad folder")
            << QStringList{"a.htm"} << QStringList{} << "a.htm" << true;
        QTest::newRow("also in the current folder")
            << QStringList{"a.htm"} << QStringList{"a.htm"} << "a.htm" << false;
        QTest::newRow("nowhere") << QStringList{} << QStringList{} << "a.htm" << false;
        QTest::newRow("other letter case in the action pad folder")
            << QStringList{"Index.HTM"} << QStringList{} << "index.htm" << true;
        QTest::newRow("in a subfolder of the action pad folder")
            << QStringList{"sub/b.htm"} << QStringList{} << "sub" + kSep + "b.htm" << true;
    }

    void resolveActionPadFile()
    {
        QFETCH(QStringList, inWebFolder);
        QFETCH(QStringList, inCurrentFolder);
        QFETCH(QString, name);
        QFETCH(bool, expectJoined);
        for (const QString &file : inWebFolder)
            touch(m_web.filePath(file));
        for (const QString &file : inCurrentFolder)
            touch(m_cwd.filePath(file));
        connectHost();
        QCOMPARE(AM::ResolveActionPadFile(name), expectJoined ? folderOf(m_web) + name : name);
    }

    void resolveActionPadFileKeepsAnExistingAbsolutePath()
    {
        const QString path = QDir::toNativeSeparators(m_cwd.filePath("abs.htm"));
        touch(path);
        connectHost();
        QCOMPARE(AM::ResolveActionPadFile(path), path);
    }

    void browseForActionPad_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("startFolder");
        QTest::addColumn<int>("dialogResult");
        QTest::addColumn<QString>("dialogChoice");
        QTest::addColumn<QString>("expectedInitialName"); // "<web>" stands for the web folder
        QTest::addColumn<QString>("expectedResult");
        QTest::addColumn<QString>("expectedChosen");
        const QString outside = kSep + "elsewhere" + kSep + "x.htm";
        QTest::newRow("OK inside the action pad folder") << ""
                                                         << "" << 1 << "<web>sub" + kSep + "a.htm"
                                                         << "<web>customers.htm"
                                                         << "1"
                                                         << "sub" + kSep + "a.htm";
        QTest::newRow("OK outside the action pad folder")
            << ""
            << "" << 1 << outside << "<web>customers.htm"
            << "1" << outside;
        QTest::newRow("cancelled") << ""
                                   << "" << 0 << "<web>a.htm"
                                   << "<web>customers.htm"
                                   << "0"
                                   << "";
        QTest::newRow("start folder given")
            << "" << kSep + "start" + kSep << 0 << "" << kSep + "start" + kSep + "customers.htm"
            << "0"
            << "";
        QTest::newRow("start folder is a web address") << ""
                                                       << "http://server/pads/" << 0 << ""
                                                       << "customers.htm"
                                                       << "0"
                                                       << "";
        QTest::newRow("current location is a web address") << "http://server/a.htm"
                                                           << "" << 0 << ""
                                                           << "<web>customers.htm"
                                                           << "0"
                                                           << "";
        QTest::newRow("current file resolved in the action pad folder") << "existing.htm"
                                                                        << "" << 0 << ""
                                                                        << "<web>existing.htm"
                                                                        << "0"
                                                                        << "";
    }

    void browseForActionPad()
    {
        QFETCH(QString, current);
        QFETCH(QString, startFolder);
        QFETCH(int, dialogResult);
        QFETCH(QString, dialogChoice);
        QFETCH(QString, expectedInitialName);
        QFETCH(QString, expectedResult);
        QFETCH(QString, expectedChosen);
        const QString web = folderOf(m_web);
        touch(m_web.filePath("existing.htm"));
        host().translations.insert("BrowseForActionPadFilter", "Pages (*.htm)|All (*)");
        host().fileDialogResult = dialogResult;
        host().fileDialogChoice = QString(dialogChoice).replace("<web>", web);
        connectHost();

        QString chosen = QStringLiteral("left over");
        const QString result = AM::BrowseForActionPad(current, startFolder, "customers", chosen);

        QCOMPARE(result, expectedResult);
        QCOMPARE(chosen, expectedChosen);
        QCOMPARE(host().lastDialogFilter, QStringLiteral("Pages (*.htm)|All (*)"));
        QCOMPARE(host().lastDialogFileName, QString(expectedInitialName).replace("<web>", web));
    }

    void getActionPadFolder()
    {
        FakeHost::DebugCapture capture;
        connectHost();
        QCOMPARE(AM::GetActionPadFolder(), folderOf(m_web));
        QVERIFY(capture.lines.isEmpty());
    }

    void getActionPadFolderWithoutHost_data()
    {
        QTest::addColumn<bool>("debug");
        QTest::addColumn<int>("expectedLines");
        QTest::newRow("debug on: a line on every call") << true << 2;
        QTest::newRow("debug off: silent") << false << 0;
    }

    void getActionPadFolderWithoutHost()
    {
        QFETCH(bool, debug);
        QFETCH(int, expectedLines);
        Brimble::VBDebug::SetDebugFlag(debug);
        FakeHost::DebugCapture capture;
        QCOMPARE(AM::GetActionPadFolder(), AM::developerFolder());
        QCOMPARE(AM::GetActionPadFolder(), AM::developerFolder());
        QCOMPARE(capture.lines.size(), expectedLines);
        for (const QByteArray &line : std::as_const(capture.lines))
            QCOMPARE(line, QByteArray("Error: Application is not initialized, use debug value "
                                      "WebFolder\r\n"));
    }

    void developerFolderIsAbsoluteWithSeparator()
    {
        const QString folder = AM::developerFolder();
        QVERIFY(QDir::isAbsolutePath(QDir::fromNativeSeparators(folder)));
        QVERIFY(folder.endsWith(kSep));
    }

    void initialisation()
    {
        QVERIFY(!AM::IsInitialized());
        QVERIFY(!AM::GetDatabase());
        connectHost();
        QVERIFY(AM::IsInitialized());
        QCOMPARE(AM::GetApplication(), &host().application);
        QCOMPARE(AM::GetDatabase(), &host().database);
        host().application.database = nullptr;
        QVERIFY(!AM::GetDatabase());
        AM::SetApplication(nullptr);
        QVERIFY(!AM::IsInitialized());
    }

    void applicationDestroyedMeansNotInitialised()
    {
        connectHost();
        m_host.reset();
        QVERIFY(!AM::IsInitialized());
        QVERIFY(!AM::GetApplication());
        m_host.emplace();
    }

    void addinSettingsRoundTrip()
    {
        connectHost();
        AM::SaveAddinSetting("frmEditArchiveDuplicates", "Width", 7000);
        QCOMPARE(host().database.setting("Addins\\CorvaneAdministration\\frmEditArchiveDuplicates",
                                         "Width"),
                 QVariant(7000));
        QCOMPARE(AM::GetAddinSetting("frmEditArchiveDuplicates", "Width", 1), QVariant(7000));
        QCOMPARE(AM::GetAddinSetting("FRMEDITARCHIVEDUPLICATES", "width", 1), QVariant(7000));
        QCOMPARE(AM::GetAddinSetting("frmEditArchiveDuplicates", "Height", 4321), QVariant(4321));
        QCOMPARE(AM::GetAddinSetting("otherSection", "Width", 5), QVariant(5));
        QVERIFY(!host()
                     .log
                     .matching("Settings.SetValue Addins\\CorvaneAdministration\\"
                               "frmEditArchiveDuplicates|Width=7000")
                     .isEmpty());
    }

    void webBarAndOverviewUrls()
    {
        connectHost();
        QCOMPARE(AM::GetWebBarUrl(), QString());
        QCOMPARE(AM::GetOverviewUrl(), QString());
        host().database.setSetting("WebBar", "URL", "start.htm");
        host().database.setSetting("Overview", "URL", "http://server/overview.htm");
        QCOMPARE(AM::GetWebBarUrl(), QStringLiteral("start.htm"));
        QCOMPARE(AM::GetOverviewUrl(), QStringLiteral("http://server/overview.htm"));
    }

    void settingsNeedADatabase()
    {
        host().application.database = nullptr;
        connectHost();
        try {
            AM::GetWebBarUrl();
            QFAIL("GetWebBarUrl worked without a database");
        } catch (const Corvane::Platform::RuntimeError &error) {
            QCOMPARE(error.number(), Corvane::Platform::ErrorNumber::ObjectRequired);
        }
    }
};

QTEST_GUILESS_MAIN(tst_ApplicationManager)
#include "tst_applicationmanager.moc"
