#include "model/actionpad.h"

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

#include <memory>
#include <optional>

namespace AM = Brimble::ApplicationManager;
using Brimble::actionPad;
using Corvane::Platform::RuntimeError;

namespace {

const QString kSep = QDir::separator();

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

} // namespace

class tst_ActionPad : public QObject
{
    Q_OBJECT

private:
    std::optional<FakeHost::Host> m_host;
    QTemporaryDir m_web;
    QTemporaryDir m_cwd;
    QString m_oldCwd;

    FakeHost::Host &host() { return *m_host; }
    QString web() const { return QDir::toNativeSeparators(m_web.path()) + kSep; }

    // A record filled as the editor page fills it: TableId, Source, Filename.
    std::unique_ptr<actionPad> record(qint32 tableId, const QString &source,
                                      const QString &filename)
    {
        auto ap = std::make_unique<actionPad>();
        ap->setTableId(tableId);
        ap->setSource(source);
        ap->setFilename(filename);
        return ap;
    }

private slots:
    void init()
    {
        QVERIFY(m_web.isValid() && m_cwd.isValid());
        m_host.emplace();
        host().application.webFolder = web();
        host().translations.insert("ActionPadEditor.ActionPadWebBar", "Database");
        host().translations.insert("ActionPadEditor.ActionPadOverview", "Overview");
        host().database.addTable({5, "Customers", "", "Customers", "Kunden", 5});
        host().database.addTable({6, "Hidden", "", "Hidden", "Intern", 0});
        host().database.addTable({7, "System", "", "System", "System", -3});
        AM::SetApplication(&host().application);
        Brimble::VBDebug::SetDebugFlag(true);
        m_oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_cwd.path()));
    }

    void cleanup()
    {
        QDir::setCurrent(m_oldCwd);
        Brimble::VBDebug::SetDebugFlag(false);
        AM::SetApplication(nullptr);
        Brimble::ResourceManager::ResetTranslatorForTests();
        m_host.reset();
    }

    void newRecordIsClean()
    {
        const auto ap = record(5, "Customers", "customers.htm");
        QVERIFY(!ap->IsDirty());
        QCOMPARE(ap->CurrentFileName(), QStringLiteral("customers.htm"));
        QCOMPARE(ap->ToString(),
                 QStringLiteral("[actionpad] filename: customers.htm, source: Customers"));
    }

    void keyAndDisplayName_data()
    {
        QTest::addColumn<qint32>("tableId");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("displayName");
        QTest::newRow("database") << 0 << "__database__"
                                  << "s-database"
                                  << "Database";
        QTest::newRow("overview") << 0 << "__overview__"
                                  << "s-overview"
                                  << "Overview";
        QTest::newRow("table") << 5 << "Customers"
                               << "t-5"
                               << "Kunden";
        QTest::newRow("idtable 0 in brackets") << 6 << "Hidden"
                                               << "t-0"
                                               << "[Intern]";
        QTest::newRow("negative idtable in brackets") << 7 << "System"
                                                      << "t--3"
                                                      << "[System]";
        QTest::newRow("table unknown to the host") << 99 << "Gone"
                                                   << "t-Gone"
                                                   << "Gone";
        QTest::newRow("sources compare exactly") << 0 << "__DATABASE__"
                                                 << "t-__DATABASE__"
                                                 << "__DATABASE__";
    }

    void keyAndDisplayName()
    {
        QFETCH(qint32, tableId);
        QFETCH(QString, source);
        QFETCH(QString, key);
        QFETCH(QString, displayName);
        const auto ap = record(tableId, source, "");
        QCOMPARE(ap->key(), key);
        QCOMPARE(ap->DisplayName(), displayName);
    }

    void displayNameWithoutTranslation()
    {
        host().translations.clear();
        QCOMPARE(record(0, "__database__", "")->DisplayName(), QStringLiteral("ActionPadWebBar"));
        QCOMPARE(record(0, "__overview__", "")->DisplayName(), QStringLiteral("ActionPadOverview"));
    }

    void tableIsLookedUpWithTheFinalId()
    {
        auto ap = std::make_unique<actionPad>();
        ap->setTableId(5);
        QCOMPARE(ap->key(), QStringLiteral("t-5"));
        ap->setTableId(99);
        QCOMPARE(ap->key(), QStringLiteral("t-")); // no table, no source yet
        ap->setSource("Gone");
        QCOMPARE(ap->DisplayName(), QStringLiteral("Gone"));
    }

    void tableLookupNeedsADatabase()
    {
        host().application.database = nullptr;
        actionPad ap;
        ap.setFilename("x.htm"); // no lookup
        QVERIFY_THROWS_EXCEPTION(RuntimeError, ap.setSource("Customers"));
    }

    void newFilename_data()
    {
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("dirty");
        QTest::addColumn<QString>("current"); // "<web>" stands for the action pad folder
        QTest::newRow("the current location") << "<web>a.htm"
                                              << "<web>a.htm" << false << "<web>a.htm";
        QTest::newRow("the current display name") << "<web>a.htm"
                                                  << "a.htm" << false << "<web>a.htm";
        QTest::newRow("a bare name that exists nowhere") << "a.htm"
                                                         << "new.htm" << true << "<web>new.htm";
        QTest::newRow("a bare name that exists in the current folder")
            << "a.htm"
            << "here.htm" << true << "here.htm";
        QTest::newRow("a web address")
            << "a.htm"
            << "HTTP://server/x.htm?q=1" << true << "HTTP://server/x.htm?q=1";
        QTest::newRow("an existing absolute path")
            << "a.htm"
            << "<web>sub" + kSep + "b.htm" << true << "<web>sub" + kSep + "b.htm";
        QTest::newRow("empty clears") << "a.htm"
                                      << "" << true << "";
    }

    void newFilename()
    {
        QFETCH(QString, filename);
        QFETCH(QString, chosen);
        QFETCH(bool, dirty);
        QFETCH(QString, current);
        touch(m_web.filePath("a.htm"));
        touch(m_web.filePath("sub/b.htm"));
        touch(m_cwd.filePath("here.htm"));
        const auto ap = record(5, "Customers", filename.replace("<web>", web()));
        FakeHost::DebugCapture capture;

        ap->setNewFilename(chosen.replace("<web>", web()));

        QCOMPARE(ap->IsDirty(), dirty);
        QCOMPARE(ap->CurrentFileName(), current.replace("<web>", web()));
        QCOMPARE(ap->Filename(), filename);
        QCOMPARE(capture.lines, QByteArrayList{("set new ap for Customers to: " + chosen +
                                                ", current: " + filename + "\r\n")
                                                   .toLocal8Bit()});
    }

    void currentDisplayFileName_data()
    {
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QString>("expected");
        QTest::newRow("inside the folder") << "<web>sub" + kSep + "a.htm"
                                           << "sub" + kSep + "a.htm";
        QTest::newRow("folder in other letter case") << "<WEB>a.htm"
                                                     << "a.htm";
        QTest::newRow("outside the folder")
            << kSep + "other" + kSep + "a.htm" << kSep + "other" + kSep + "a.htm";
        QTest::newRow("relative") << "a.htm"
                                  << "a.htm";
        QTest::newRow("web address") << "http://server/a.htm"
                                     << "http://server/a.htm";
    }

    void currentDisplayFileName()
    {
        QFETCH(QString, filename);
        QFETCH(QString, expected);
        filename.replace("<web>", web()).replace("<WEB>", web().toUpper());
        QCOMPARE(record(5, "Customers", filename)->CurrentDisplayFileName(), expected);
    }

    void publishedFileNameMakesDirty()
    {
        const auto ap = record(5, "Customers", "a.htm");
        ap->setPublishedFileName("pads/a.htm");
        QVERIFY(ap->IsDirty());
        QCOMPARE(ap->PublishedFileName(), QStringLiteral("pads/a.htm"));
        QCOMPARE(ap->CurrentFileName(), QString()); // NewFilename, never set
    }

    void update_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QStringList>("newFilenames"); // set in this order
        QTest::addColumn<QString>("published");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("attribute"); // "" for table records
        const QString inside = "<web>sub" + kSep + "b.htm";
        const QString outside = "<cwd>here.htm";
        QTest::newRow("unpublished, inside the folder: relative")
            << "__database__"
            << "a.htm" << QStringList{inside} << ""
            << "sub" + kSep + "b.htm"
            << "defaultactionpad";
        QTest::newRow("unpublished, outside the folder: full path")
            << "__overview__"
            << "a.htm" << QStringList{outside} << "" << outside << "overviewactionpad";
        QTest::newRow("published: the archive name whatever was chosen")
            << "__database__"
            << "a.htm" << QStringList{outside} << "b.htm"
            << "b.htm"
            << "defaultactionpad";
        QTest::newRow("published only") << "__overview__"
                                        << "a.htm" << QStringList{} << "a.htm"
                                        << "a.htm"
                                        << "overviewactionpad";
        QTest::newRow("web address") << "__database__"
                                     << "a.htm" << QStringList{"http://server/x.htm"} << ""
                                     << "http://server/x.htm"
                                     << "defaultactionpad";
        QTest::newRow("cleared") << "__database__"
                                 << "a.htm" << QStringList{""} << ""
                                 << ""
                                 << "defaultactionpad";
        QTest::newRow("chosen back to the stored location")
            << "__database__"
            << "http://server/a.htm" << QStringList{"http://server/b.htm", "http://server/a.htm"}
            << ""
            << "http://server/a.htm"
            << "defaultactionpad";
        QTest::newRow("table record: nothing written") << "Customers"
                                                       << "a.htm" << QStringList{inside} << ""
                                                       << "sub" + kSep + "b.htm"
                                                       << "";
    }

    void update()
    {
        QFETCH(QString, source);
        QFETCH(QString, filename);
        QFETCH(QStringList, newFilenames);
        QFETCH(QString, published);
        QFETCH(QString, stored);
        QFETCH(QString, attribute);
        touch(m_web.filePath("sub/b.htm"));
        touch(m_cwd.filePath("here.htm"));
        const QString cwd = QDir::toNativeSeparators(m_cwd.path()) + kSep;
        stored.replace("<cwd>", cwd);
        const auto ap = record(source == "Customers" ? 5 : 0, source, filename);
        for (QString location : newFilenames)
            ap->setNewFilename(location.replace("<web>", web()).replace("<cwd>", cwd));
        if (!published.isEmpty())
            ap->setPublishedFileName(published);
        host().log.lines.clear();
        FakeHost::DebugCapture capture;

        ap->Update();

        QVERIFY(!ap->IsDirty());
        QCOMPARE(ap->Filename(), stored);
        QCOMPARE(ap->PublishedFileName(), published);
        QVERIFY(capture.lines.contains(
            ("set actionpad for " + source + " To " + stored + "\r\n").toLocal8Bit()));
        if (attribute.isEmpty()) {
            QVERIFY(host().log.matching("CreateObject").isEmpty());
            QVERIFY(host().database.fileAttributes.isEmpty());
        } else {
            QCOMPARE(host().database.fileAttributes,
                     (QHash<QString, QString>{{attribute, stored}}));
            QCOMPARE(host().log.matching("Dravo.File.Save").size(), 1);
        }
    }

    void updateOfACleanRecordDoesNothing()
    {
        const auto ap = record(0, "__database__", "a.htm");
        FakeHost::DebugCapture capture;
        ap->Update();
        QVERIFY(host().log.lines.isEmpty());
        QVERIFY(capture.lines.isEmpty());
        QCOMPARE(ap->Filename(), QStringLiteral("a.htm"));
    }

    void failedUpdateCanBeRepeated()
    {
        const auto ap = record(0, "__database__", "a.htm");
        ap->setPublishedFileName("b.htm");
        host().database.failNextSave = 75;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, ap->Update());
        QVERIFY(ap->IsDirty());
        QCOMPARE(ap->Filename(), QStringLiteral("a.htm"));
        ap->Update();
        QVERIFY(!ap->IsDirty());
        QCOMPARE(host().database.fileAttributes.value("defaultactionpad"), QStringLiteral("b.htm"));
    }

    void isValidFile_data()
    {
        QTest::addColumn<QString>("filename");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("web address, not looked at") << "https://nowhere.invalid/x.htm" << true;
        QTest::newRow("existing, relative to the current folder") << "here.htm" << true;
        QTest::newRow("existing, other letter case") << "HERE.HTM" << true;
        QTest::newRow("missing") << "missing.htm" << false;
        QTest::newRow("only in the action pad folder") << "webonly.htm" << false;
        QTest::newRow("a folder is no file") << "folder" << false;
    }

    void isValidFile()
    {
        QFETCH(QString, filename);
        QFETCH(bool, valid);
        touch(m_cwd.filePath("here.htm"));
        touch(m_web.filePath("webonly.htm"));
        QVERIFY(QDir(m_cwd.path()).mkpath("folder"));
        QCOMPARE(record(5, "Customers", filename)->IsValidFile(), valid);
        QCOMPARE(record(5, "Customers", filename)->IsCurrentFileAbsolute(),
                 filename.startsWith("https"));
    }
};

QTEST_GUILESS_MAIN(tst_ActionPad)
#include "tst_actionpad.moc"
