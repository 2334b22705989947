// The page's publish flow through its button, with the real archiver and zip component
// on real folders; some cases raise the archiver's events themselves.
#include "editor/ucactionpadeditor.h"

#include "../datarows.h"
#include "editortestsupport.h"

#include "publish/actionpadarchiver.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>

using Brimble::ActionPadArchiver;
using Brimble::ucActionPadEditor;
using namespace DataRows;

namespace {

// Message styles as the page shows them (buttons + icon + the foreground flag).
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

class tst_PublishFlow : public QObject
{
    Q_OBJECT

private:
    std::optional<AddinTest::Fixture> m_fixture;
    std::optional<EditorTest::PadFolder> m_pads;
    std::unique_ptr<ucActionPadEditor> m_page;

    FakeHost::Host &host() { return m_fixture->host; }
    FakeHost::Database &database() { return host().database; }
    QList<FakeHost::Application::Message> &messages() { return host().application.messages; }
    QPushButton *button() { return m_page->findChild<QPushButton *>("cmdPublishActionPads"); }
    QString status() { return m_page->findChild<QLabel *>("lblStatus")->text(); }
    QString outcome() { return m_page->PublishOutcome(); }
    ActionPadArchiver *archiver() { return m_page->findChild<ActionPadArchiver *>(); }

    // Writes the action pad file and names it the database's web bar.
    void setWebBar(const QString &file)
    {
        database().setSetting("WebBar", "URL", m_pads->write(file));
    }
    bool settle()
    {
        return QTest::qWaitFor([this] { return outcome() != QLatin1String("running"); }, 60000);
    }
    bool publish()
    {
        button()->click();
        return settle();
    }
    QStringList statusTexts(const QSignalSpy &spy)
    {
        QStringList texts;
        for (const QList<QVariant> &signal : spy)
            texts << signal.at(0).toString();
        return texts;
    }
    void verifyIdle()
    {
        QVERIFY(button()->isEnabled());
        QCOMPARE(host().application.MousePointer(), 0);
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
        host().application.webFolder = m_pads->path();
        m_page = std::make_unique<ucActionPadEditor>();
        m_page->show();
    }

    void cleanup()
    {
        m_page.reset();
        QVERIFY2(EditorTest::temporaryArchives().isEmpty(),
                 qPrintable(EditorTest::temporaryArchives().join(' ')));
        m_pads.reset();
        m_fixture.reset();
    }

    void publishStoresTheArchiveThenWritesBack()
    {
        setWebBar("index.htm");
        QSignalSpy statuses(m_page.get(), &ucActionPadEditor::StatusChanged);

        button()->click();
        QVERIFY(!button()->isEnabled());
        QCOMPARE(host().application.MousePointer(), 11);
        QCOMPARE(outcome(), QStringLiteral("running"));
        QVERIFY(settle());
        QCOMPARE(outcome(), QStringLiteral("published"));
        verifyIdle();
        QCOMPARE(messages().size(), 1);
        QCOMPARE(messages().first().prompt, QStringLiteral("Publish the action pads now?"));
        QCOMPARE(messages().first().style, kConfirmStyle);
        QVERIFY(database().hasStoredFile);
        QCOMPARE(database().fileAttributes.value("defaultactionpad"), QStringLiteral("index.htm"));
        QCOMPARE(database().cacheRefreshes, 1);

        // Stored first, then the attributes written back, then the cache refreshed.
        const QStringList &log = host().log.lines;
        const auto first = [&](const char *prefix) {
            return log.indexOf(QRegularExpression(QStringLiteral("^") + prefix + ".*"));
        };
        const qsizetype load = first("Dravo.File.LoadFromFile");
        QVERIFY(load >= 0 && load < first("Dravo.File.SetAttribute defaultactionpad="));
        QVERIFY(first("Dravo.File.SetAttribute") < first("DataUpdate.ExecuteProcedure"));
        const QStringList texts = statusTexts(statuses);
        QCOMPARE(texts.first(), QStringLiteral("AnalyzeActionPads"));
        QCOMPARE(texts.mid(texts.indexOf("ArchiveCreated")),
                 QStringList({"ArchiveCreated", "CopyArchiveToDatabase", "ActionPadsPublished"}));
    }

    void eachProgressStepAddsOneDot()
    {
        QVERIFY(publish());
        emit archiver()->EnterState("Packing");
        for (const qint16 percent : {5, 5, 100, 0, 50})
            emit archiver()->ZipPercentComplete(percent);
        QCOMPARE(status(), QStringLiteral("Packing....."));
    }

    void archivesAboveTenMegabytesNeedConsent_data()
    {
        // shown: the number in the warning; empty: no warning.
        columns<qint64, int, QString, bool>({"size", "answer", "shown", "stored"});
        row("exactly 10485760 bytes: no question", qint64(10485760), 0, "", true);
        row("one byte more, Yes", qint64(10485761), 6, "10.0", true);
        row("one byte more, No", qint64(10485761), 7, "10.0", false);
        row("10.5 MB, Yes", qint64(11010048), 6, "10.5", true);
    }

    void archivesAboveTenMegabytesNeedConsent()
    {
        QFETCH(qint64, size);
        QFETCH(int, answer);
        QFETCH(QString, shown);
        QFETCH(bool, stored);
        QVERIFY(publish());
        database().hasStoredFile = false;
        messages().clear();
        const int refreshes = database().cacheRefreshes;
        host().application.messageBoxAnswers.push_back(answer);

        const QString archive = archiveOfSize(size);
        emit archiver()->Finished(archive);

        QCOMPARE(messages().size(), shown.isEmpty() ? 0 : 1);
        if (!shown.isEmpty()) {
            QCOMPARE(messages().first().prompt,
                     QStringLiteral("The archive is %1 MB large.\r\nPublish it all the same?")
                         .arg(shown));
            QCOMPARE(messages().first().style, kWarningStyle);
        }
        QCOMPARE(database().hasStoredFile, stored);
        QCOMPARE(database().cacheRefreshes, refreshes + (stored ? 1 : 0));
        QCOMPARE(outcome(), stored ? "published" : "declined");
        if (!stored)
            QCOMPARE(status(), QStringLiteral("Ready."));
        QVERIFY(!QFile::exists(archive));
        verifyIdle();
    }

    void answeringNoToTheConfirmationChangesNothing()
    {
        host().application.messageBoxAnswers = {7};
        const qsizetype before = host().log.lines.size();
        button()->click();
        QCOMPARE(outcome(), QStringLiteral("declined"));
        QVERIFY(!archiver());
        QCOMPARE(host().log.lines.size(), before + 1); // the question, nothing else
        QVERIFY(button()->isEnabled());

        // A publish, whose temporary file is then found left over.
        button()->click();
        QSignalSpy finished(archiver(), &ActionPadArchiver::Finished);
        QVERIFY(settle());
        const QString leftover = finished.first().at(0).toString();
        QVERIFY(!QFile::exists(leftover));
        QFile file(leftover);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        ActionPadArchiver *const previous = archiver();
        const qsizetype calls = host().log.lines.size();
        host().application.messageBoxAnswers = {7};
        button()->click();
        QVERIFY(QFile::exists(leftover));
        QCOMPARE(archiver(), previous);
        QCOMPARE(host().log.lines.size(), calls + 1);

        // The next confirmed publish removes it first.
        QVERIFY(publish());
        QVERIFY(!QFile::exists(leftover));
    }

    void failuresAreReportedAndLeaveThePageIdle_data()
    {
        // 0 the archive file is missing, 1 the data engine cannot save, 2 no database is open,
        // 3 an action pad file is missing; count: the messages besides the question.
        columns<int, int>({"fault", "count"});
        row("the archive file is missing", 0, 1);
        row("the data engine cannot save", 1, 1);
        row("no database open", 2, 1);
        row("an action pad file is missing: listed, then the error", 3, 2);
        row("the archiver fails (a file name is not UTF-8): its reason is the status", 4, 1);
    }

    void failuresAreReportedAndLeaveThePageIdle()
    {
        QFETCH(int, fault);
        QFETCH(int, count);
        setWebBar("index.htm");
        // Qt cannot name this file to remove it: it goes by its bytes.
        const QByteArray odd = QFile::encodeName(m_pads->path()) + "caf\xe9.htm";
        const auto removeOdd = qScopeGuard([&] { ::unlink(odd.constData()); });
        if (fault == 0) {
            QVERIFY(publish());
            database().hasStoredFile = false;
            database().fileAttributes.clear();
            messages().clear();
            emit archiver()->Finished(QDir::tempPath() + "/tmp-gone");
        } else {
            database().failNextSave = fault == 1 ? 75 : 0;
            if (fault == 2)
                host().application.database = nullptr;
            if (fault == 3)
                database().setSetting("Overview", "URL", m_pads->path() + "missing.htm");
            if (fault == 4)
                QCOMPARE(::close(::creat(odd.constData(), 0644)), 0);
            QVERIFY(publish());
            messages().removeFirst(); // the question
        }
        QCOMPARE(outcome(), QStringLiteral("failed"));
        QCOMPARE(messages().size(), count);
        QCOMPARE(messages().last().style, kErrorStyle);
        QVERIFY(!messages().last().prompt.isEmpty());
        if (fault == 3)
            QVERIFY(messages().first().prompt.contains("missing.htm"));
        if (fault < 2 || fault == 4)
            QCOMPARE(status(), "Error: " + messages().last().prompt);
        QVERIFY(!database().hasStoredFile);
        QVERIFY(database().fileAttributes.isEmpty());
        QCOMPARE(database().cacheRefreshes, fault == 0 ? 1 : 0);
        verifyIdle();
    }

    void cancellingTheDuplicatesDialogStoresNothing()
    {
        database().addTable({1, "Alpha", "", "Alpha", "Alpha", {}});
        database().setSetting("Inspectors\\Alpha\\WebBar", "URL", m_pads->write("a/index.htm"));
        setWebBar("b/index.htm");
        QSignalSpy statuses(m_page.get(), &ucActionPadEditor::StatusChanged);

        EditorTest::clickInNextModal("cmdCancelPublishing");
        QVERIFY(publish());

        QCOMPARE(outcome(), QStringLiteral("cancelled"));
        QCOMPARE(statusTexts(statuses),
                 QStringList({"AnalyzeActionPads", "UserFixDuplicates", "Ready."}));
        QVERIFY(!database().hasStoredFile);
        QVERIFY(database().fileAttributes.isEmpty());
        QCOMPARE(database().cacheRefreshes, 0);
        verifyIdle();
    }

    void finishedInsideCreateArchiveLeavesThePageIdle()
    {
        setWebBar("index.htm");
        const QString early = archiveOfSize(0);
        bool raised = false;
        QObject connection;
        connect(m_page.get(), &ucActionPadEditor::StatusChanged, &connection, [&] {
            if (!std::exchange(raised, true))
                emit archiver()->Finished(early); // while CreateArchive still runs
        });

        button()->click();
        QVERIFY(raised);
        verifyIdle();
        QVERIFY(!QFile::exists(early));
        // The archiver's own Finished follows; the page ends idle once more.
        QTRY_COMPARE_WITH_TIMEOUT(outcome(), QStringLiteral("published"), 60000);
        verifyIdle();
    }
};

QTEST_MAIN(tst_PublishFlow)
#include "tst_publishflow.moc"
