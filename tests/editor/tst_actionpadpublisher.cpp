// The publish flow without the page: the real archiver and zip component on
// real folders, the real host on a scratch SQLite database. Some cases raise
// the archiver's events themselves.
#include "editor/actionpadpublisher.h"

#include "../datarows.h"
#include "editortestsupport.h"

#include "publish/actionpadarchiver.h"

#include <QLocale>
#include <QTemporaryFile>

#include <memory>
#include <optional>

using Brimble::ActionPadArchiver;
using Brimble::ActionPadPublisher;
using namespace DataRows;

namespace {

// Message styles as the publish shows them (buttons + icon + the foreground flag).
constexpr int kConfirmStyle = 4 + 32 + 0x10000, kWarningStyle = 4 + 48 + 0x10000,
              kErrorStyle = 48 + 0x10000;

// A file of exactly `size` bytes where the archiver would put its archive.
QString archiveOfSize(qint64 size)
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/tmpXXXXXX"));
    file.setAutoRemove(false);
    if (!file.open() || !file.resize(size))
        qFatal("cannot make a test archive");
    return file.fileName();
}

} // namespace

class tst_ActionPadPublisher : public QObject
{
    Q_OBJECT

private:
    std::optional<AddinTest::Fixture> m_fixture;
    std::optional<EditorTest::PadFolder> m_pads;
    std::unique_ptr<ActionPadPublisher> m_publisher;
    QStringList m_statuses;
    QList<bool> m_busy;           // PublishingChanged, in order
    bool m_toldWhileBusy = false; // an outcome other than "running" came before the idle state

    FakeHost::Host &host() { return m_fixture->host; }
    FakeHost::Database &database() { return host().database; }
    QStringList boxes() { return host().log.matching("MessageBox"); }
    // The last message box shown, which must have that style: its prompt.
    QString lastPrompt(int style)
    {
        const QString line = boxes().value(boxes().size() - 1);
        const QString head = QString("MessageBox style=%1 prompt=").arg(style);
        [&] { QVERIFY2(line.startsWith(head), qPrintable(line)); }();
        return line.mid(head.size(), line.lastIndexOf(" -> ") - head.size());
    }
    QString outcome() { return m_publisher->Outcome(); }

    void setUrl(const QString &node, const QString &file)
    {
        database().setSetting(node, "URL", file.contains("://") ? file : m_pads->write(file));
    }
    bool publish()
    {
        m_publisher->Publish();
        return QTest::qWaitFor([this] { return outcome() != QLatin1String("running"); }, 60000);
    }
    void verifyIdle()
    {
        QVERIFY(!m_publisher->IsPublishing());
        QCOMPARE(m_busy.value(m_busy.size() - 1, false), false);
        QCOMPARE(host().application.MousePointer(), 0);
        QVERIFY(!m_toldWhileBusy);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init()
    {
        m_fixture.emplace();
        m_pads.emplace();
        host().translations = {
            {"ActionPadEditor.lblStatus", "Ready."},
            {"ActionPadEditor.ConfirmPublish", "Publish the action pads now?"},
            {"ActionPadEditor.Warning_ToLargeArchiveFile",
             "The archive is %1 MB large.{vbNewLine}Publish it all the same?"},
            {"ActionPadArchiver.Error_InvalidFiles", "These files are missing:%1"}};
        database().setWebFolder(m_pads->path());
        m_publisher = std::make_unique<ActionPadPublisher>();
        connect(m_publisher.get(), &ActionPadPublisher::StatusChanged, this,
                [this](const QString &text) { m_statuses << text; });
        connect(m_publisher.get(), &ActionPadPublisher::PublishingChanged, this,
                [this](bool busy) { m_busy << busy; });
        connect(m_publisher.get(), &ActionPadPublisher::OutcomeChanged, this,
                [this](const QString &outcome) {
                    m_toldWhileBusy |= outcome != "running" && m_publisher->IsPublishing();
                });
        m_statuses.clear();
        m_busy.clear();
        m_toldWhileBusy = false;
    }

    void cleanup()
    {
        m_publisher.reset();
        const QStringList left = QDir(QDir::tempPath()).entryList({"tmp*"}, QDir::Files);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(' ')));
        m_pads.reset();
        m_fixture.reset();
    }

    void publishStoresTheArchiveWithItsNamesThenRefreshes()
    {
        // Locations lower-cased; a file's query part is cut, a web address keeps its own.
        database().addTable({7, "Kunden", "", "Customers", 7, "Kunden"});
        const QString table = m_pads->write("tables/Alpha.htm");
        database().setSetting("Inspectors\\Customers\\WebBar", "URL", table + "?Tab=2");
        setUrl("WebBar", "index.htm");
        setUrl("Overview", "HTTP://example.com/Over.htm?Tab=2");
        QStringList locations; // as the archiver gets them, at its first state
        QObject connection;
        connect(m_publisher.get(), &ActionPadPublisher::StatusChanged, &connection, [&] {
            for (const auto &entry : *m_publisher->Archiver()->ActionPads())
                locations << entry.second->Filename();
            QObject::disconnect(m_publisher.get(), nullptr, &connection, nullptr);
        });

        QVERIFY(publish());
        QCOMPARE(outcome(), QStringLiteral("published"));
        QCOMPARE(locations, QStringList({table.toLower(), m_pads->path().toLower() + "index.htm",
                                         "http://example.com/over.htm?tab=2"}));
        QCOMPARE(m_busy, QList<bool>({true, false}));
        QCOMPARE(host().log.matching("MousePointer").first(), QStringLiteral("MousePointer 11"));
        verifyIdle();
        QCOMPARE(boxes(), {QString("MessageBox style=%1 prompt=Publish the action pads now? -> 6")
                               .arg(kConfirmStyle)});
        QVERIFY(database().storedFile().startsWith("PK"));
        QCOMPARE(database().fileAttributes(),
                 (QHash<QString, QString>{{"defaultactionpad", "index.htm"}}));
        QCOMPARE(database().cacheRefreshes(), 1);
        QCOMPARE(m_statuses.first(), QStringLiteral("AnalyzeActionPads"));
        QCOMPARE(m_statuses.mid(m_statuses.indexOf("ArchiveCreated")),
                 QStringList({"ArchiveCreated", "CopyArchiveToDatabase", "ActionPadsPublished"}));
    }

    void eachProgressStepAddsOneDot()
    {
        QVERIFY(publish());
        emit m_publisher->Archiver()->EnterState("Packing");
        for (const qint16 percent : {5, 5, 100, 0, 50})
            emit m_publisher->Archiver()->ZipPercentComplete(percent);
        QCOMPARE(m_publisher->Status(), QStringLiteral("Packing....."));
    }

    void archivesAboveTenMegabytesNeedConsent_data()
    {
        // size -1: the archive is gone; 0: the user cancelled in the duplicates dialog.
        // shown: the number in the warning; empty: no warning.
        columns<qint64, int, QString, QString>({"size", "answer", "shown", "outcome"});
        row("exactly 10485760 bytes: no question", qint64(10485760), 0, "", "published");
        row("one byte more, Yes", qint64(10485761), 6, "10.0", "published");
        row("one byte more, No", qint64(10485761), 7, "10.0", "declined");
        row("10.5 MB, Yes", qint64(11010048), 6, "10.5", "published");
        row("the archive is missing", qint64(-1), 0, "", "failed");
        row("an empty archive: cancelled", qint64(0), 0, "", "cancelled");
    }

    void archivesAboveTenMegabytesNeedConsent()
    {
        QFETCH(qint64, size);
        QFETCH(int, answer);
        QFETCH(QString, shown);
        QFETCH(QString, outcome);
        QVERIFY(publish());
        const qsizetype asked = boxes().size();
        const qint64 refreshes = database().cacheRefreshes();
        const qint64 before = database().storedFile().size(); // the empty archive
        host().application.messageBoxAnswers.push_back(answer);

        const QString archive = size < 0 ? QDir::tempPath() + "/tmp-gone" : archiveOfSize(size);
        emit m_publisher->Archiver()->Finished(archive);

        const bool stored = outcome == "published";
        QCOMPARE(boxes().size() - asked, !shown.isEmpty() || outcome == "failed" ? 1 : 0);
        if (!shown.isEmpty())
            QCOMPARE(lastPrompt(kWarningStyle),
                     QString("The archive is %1 MB large.\r\nPublish it all the same?").arg(shown));
        QCOMPARE(database().storedFile().size(), stored ? size : before);
        QCOMPARE(database().cacheRefreshes(), refreshes + (stored ? 1 : 0));
        QCOMPARE(this->outcome(), outcome);
        if (outcome == "declined" || outcome == "cancelled")
            QCOMPARE(m_publisher->Status(), QStringLiteral("Ready."));
        if (outcome == "failed")
            QCOMPARE(m_publisher->Status(), "Error: " + lastPrompt(kErrorStyle));
        QVERIFY(!QFile::exists(archive));
        verifyIdle();
    }

    void failuresAreReportedAndLeaveThePublishIdle_data()
    {
        // refuse: a table whose writes the database refuses when the condition holds;
        // overview: its file; messages: besides the question; status: {error} is the last one.
        columns<QString, QString, QString, QString, bool, int, QString>(
            {"refuse", "condition", "overview", "outcome", "stored", "messages", "status"});
        row("the data engine refuses the archive", "actionpad_content", "1", "", "failed", false, 1,
            "Error: {error}");
        row("a name is refused: the archive is rolled back", "actionpad_attribute",
            "NEW.name = 'overviewactionpad'", "over.htm", "failed", false, 1, "Error: {error}");
        row("the cache refresh fails: published all the same", "server_cache", "1", "",
            "published-not-refreshed", true, 1, "{error}");
        row("an action pad file is missing: listed, then the error", "", "", "missing.htm",
            "failed", false, 2, "AnalyzeActionPads");
    }

    void failuresAreReportedAndLeaveThePublishIdle()
    {
        QFETCH(QString, refuse);
        QFETCH(QString, condition);
        QFETCH(QString, overview);
        QFETCH(bool, stored);
        QFETCH(int, messages);
        QFETCH(QString, status);
        setUrl("WebBar", "index.htm");
        if (!overview.isEmpty()) // written unless it is to be missing
            database().setSetting("Overview", "URL",
                                  overview.startsWith("missing") ? m_pads->path() + overview
                                                                 : m_pads->write(overview));
        if (!refuse.isEmpty())
            database().refuseWrites(refuse, condition);
        QVERIFY(publish());
        QTEST(outcome(), "outcome");
        QCOMPARE(boxes().size(), 1 + messages); // the question first
        QCOMPARE(m_publisher->Status(), status.replace("{error}", lastPrompt(kErrorStyle)));
        QCOMPARE(!database().storedFile().isEmpty(), stored);
        QCOMPARE(database().fileAttributes().isEmpty(), !stored);
        QCOMPARE(database().cacheRefreshes(), 0);
        verifyIdle();
    }

    void answeringNoToTheConfirmationChangesNothing()
    {
        host().application.messageBoxAnswers = {7};
        m_publisher->Publish();
        QCOMPARE(outcome(), QStringLiteral("declined"));
        QVERIFY(!m_publisher->Archiver());
        QCOMPARE(host().log.lines.size(), 1); // the question, nothing else
    }

    void finishedInsideCreateArchiveLeavesThePublishIdle()
    {
        setUrl("WebBar", "index.htm");
        const QString early = archiveOfSize(0);
        bool raised = false;
        QObject connection;
        connect(m_publisher.get(), &ActionPadPublisher::StatusChanged, &connection, [&] {
            if (!std::exchange(raised, true))
                emit m_publisher->Archiver()->Finished(early); // while CreateArchive still runs
        });
        m_publisher->Publish();
        QVERIFY(raised);
        verifyIdle();
        QVERIFY(!QFile::exists(early));
        // The archiver's own Finished follows; the publish ends idle once more.
        QTRY_COMPARE_WITH_TIMEOUT(outcome(), QStringLiteral("published"), 60000);
        verifyIdle();
    }
};

QTEST_MAIN(tst_ActionPadPublisher)
#include "tst_actionpadpublisher.moc"
