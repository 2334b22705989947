// The page's publish flow, driven through its button with the real archiver
// and zip component on real folders, against the fake host. Cases on one
// step of the flow raise the real archiver's events themselves.
#include "editor/ucactionpadeditor.h"

#include "editortestsupport.h"

#include "publish/actionpadarchiver.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

#include <memory>
#include <optional>

using Brimble::ActionPadArchiver;
using Brimble::ucActionPadEditor;
using Translations = QHash<QString, QString>;

namespace {

constexpr int kPublishTimeoutMs = 60000;

// Message styles as the page shows them (buttons + icon + the foreground flag).
constexpr int kConfirmStyle = 4 + 32 + 0x10000;
constexpr int kWarningStyle = 4 + 48 + 0x10000;
constexpr int kErrorStyle = 0 + 48 + 0x10000;

const Translations kTexts = {
    {"ActionPadEditor.lblStatus", "Ready."},
    {"ActionPadEditor.ConfirmPublish", "Publish the action pads now?"},
    {"ActionPadEditor.Warning_ToLargeArchiveFile",
     "The archive is %1 MB large.{vbNewLine}Publish it all the same?"},
    {"ActionPadArchiver.Error_InvalidFiles", "These action pad files are missing:%1"},
};

struct TableRow
{
    qint32 id;
    QString name, fallbackName, inspector, url; // url: "{web}" stands for the pad folder
};

QString describe(const Brimble::ActionPadCollection &pads)
{
    QStringList lines;
    for (const auto &[key, pad] : pads)
        lines << QStringLiteral("%1|%2|%3|%4")
                     .arg(key, pad->Source())
                     .arg(pad->TableId())
                     .arg(pad->Filename());
    return lines.join(QLatin1Char('\n'));
}

// The names inside a zip archive, after `unzip -t` found it sound.
QStringList zipEntries(const QByteArray &archive)
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/stored-XXXXXX.zip"));
    if (!file.open() || file.write(archive) != archive.size())
        return {QStringLiteral("(cannot write the archive)")};
    file.close();
    QProcess test;
    test.start(QStringLiteral("unzip"), {QStringLiteral("-t"), file.fileName()});
    if (!test.waitForFinished() || test.exitCode() != 0)
        return {QStringLiteral("(unzip -t failed) ") + QString::fromLocal8Bit(test.readAll())};
    QProcess list;
    list.start(QStringLiteral("zipinfo"), {QStringLiteral("-1"), file.fileName()});
    list.waitForFinished();
    QStringList names = QString::fromUtf8(list.readAllStandardOutput())
                            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    names.sort();
    return names;
}

} // namespace

Q_DECLARE_METATYPE(QList<TableRow>)

class tst_PublishFlow : public QObject
{
    Q_OBJECT

private:
    std::optional<EditorTest::ConnectedHost> m_connected;
    std::optional<EditorTest::PadFolder> m_pads;
    std::unique_ptr<ucActionPadEditor> m_page;

    FakeHost::Host &host() { return m_connected->host; }
    FakeHost::Database &database() { return host().database; }
    const EditorTest::PadFolder &pads() { return *m_pads; }
    ucActionPadEditor &page() { return *m_page; }
    QPushButton *button()
    {
        return m_page->findChild<QPushButton *>(QStringLiteral("cmdPublishActionPads"));
    }
    QString status() { return m_page->findChild<QLabel *>(QStringLiteral("lblStatus"))->text(); }
    ActionPadArchiver *archiver() { return m_page->findChild<ActionPadArchiver *>(); }
    int pointer() { return host().application.MousePointer(); }

    void addTable(const TableRow &row)
    {
        database().addTable({row.id, row.name, row.fallbackName, row.inspector, row.name, {}});
        if (!row.url.isNull())
            database().setSetting(QStringLiteral("Inspectors\\%1\\WebBar").arg(row.inspector),
                                  QStringLiteral("URL"), withPads(row.url));
    }
    QString withPads(QString text) { return text.replace(QStringLiteral("{web}"), pads().path()); }
    void setWebBar(const QString &url)
    {
        database().setSetting(QStringLiteral("WebBar"), QStringLiteral("URL"), withPads(url));
    }

    // Presses the button and waits until the publish has ended.
    bool publish()
    {
        button()->click();
        return settle();
    }
    bool settle()
    {
        return QTest::qWaitFor(
            [this] { return page().PublishOutcome() != QLatin1String("running"); },
            kPublishTimeoutMs);
    }

    // A file of exactly `size` bytes where the archiver would put its archive.
    QString archiveOfSize(qint64 size)
    {
        QTemporaryFile file(QDir::tempPath() + QStringLiteral("/tmpXXXXXX"));
        file.setAutoRemove(false);
        if (!file.open() || !file.resize(size))
            qFatal("cannot make a test archive");
        return file.fileName();
    }

private slots:
    void initTestCase()
    {
        // A locale whose decimal separator is a point.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void init()
    {
        m_connected.emplace();
        m_pads.emplace();
        host().translations = kTexts;
        host().application.webFolder = pads().path();
        m_page = std::make_unique<ucActionPadEditor>();
        m_page->show();
    }

    void cleanup()
    {
        m_page.reset();
        QVERIFY2(EditorTest::temporaryArchives().isEmpty(),
                 qPrintable(EditorTest::temporaryArchives().join(QLatin1Char(' '))));
        m_pads.reset();
        m_connected.reset();
    }

    void publishStoresTheArchiveAndWritesBack()
    {
        pads().write(QStringLiteral("index.htm"), "<html>database</html>");
        pads().write(QStringLiteral("overview.htm"), "<html>overview</html>");
        pads().write(QStringLiteral("customers.htm"), "<html>customers</html>");
        pads().write(QStringLiteral("img/logo.gif"), "GIF89a");
        pads().write(QStringLiteral("img/photo.jpg"), EditorTest::noise(3 * 1024 * 1024));
        setWebBar(QStringLiteral("{web}index.htm"));
        database().setSetting(QStringLiteral("Overview"), QStringLiteral("URL"),
                              withPads(QStringLiteral("{web}overview.htm")));
        addTable({1, "Customers", "", "Customers", "{web}customers.htm"});
        QSignalSpy statuses(&page(), &ucActionPadEditor::StatusChanged);
        QSignalSpy outcomes(&page(), &ucActionPadEditor::PublishOutcomeChanged);

        button()->click();
        QVERIFY(!button()->isEnabled());
        QCOMPARE(pointer(), 11);
        QCOMPARE(page().PublishOutcome(), QStringLiteral("running"));
        QVERIFY(settle());

        QCOMPARE(page().PublishOutcome(), QStringLiteral("published"));
        QCOMPARE(zipEntries(database().storedFile),
                 (QStringList{"customers.htm", "img/logo.gif", "img/photo.jpg", "index.htm",
                              "overview.htm"}));
        QCOMPARE(database().fileAttributes.value("defaultactionpad"), QStringLiteral("index.htm"));
        QCOMPARE(database().fileAttributes.value("overviewactionpad"),
                 QStringLiteral("overview.htm"));
        QCOMPARE(database().cacheRefreshes, 1);
        QVERIFY(button()->isEnabled());
        QCOMPARE(pointer(), 0);
        QCOMPARE(status(), QStringLiteral("ActionPadsPublished"));

        QCOMPARE(host().application.messages.size(), 1);
        QCOMPARE(host().application.messages.first().prompt,
                 kTexts["ActionPadEditor.ConfirmPublish"]);
        QCOMPARE(host().application.messages.first().style, kConfirmStyle);

        // Stored first, then the attributes written back, then the cache refreshed.
        const auto firstLine = [this](const char *prefix) {
            const QStringList &log = host().log.lines;
            for (qsizetype i = 0; i < log.size(); ++i)
                if (log.at(i).startsWith(QLatin1String(prefix)))
                    return i;
            return qsizetype(-1);
        };
        const qsizetype load = firstLine("Dravo.File.LoadFromFile");
        const qsizetype attribute = firstLine("Dravo.File.SetAttribute defaultactionpad=");
        const qsizetype refresh = firstLine("DataUpdate.ExecuteProcedure");
        QVERIFY(load >= 0 && load < attribute && attribute < refresh);

        // The archiver's states, one dot per progress step while zipping, then the page's.
        QStringList texts;
        for (const QList<QVariant> &signal : statuses)
            texts << signal.at(0).toString();
        QCOMPARE(texts.first(), QStringLiteral("AnalyzeActionPads"));
        const qsizetype zip = texts.indexOf(QStringLiteral("CreateZipFile"));
        const qsizetype created = texts.indexOf(QStringLiteral("ArchiveCreated"));
        QVERIFY(zip > 0 && created > zip);
        for (qsizetype i = zip + 1; i < created; ++i)
            QCOMPARE(texts.at(i), texts.at(i - 1) + QLatin1Char('.'));
        QVERIFY(created - zip - 1 >= 1 && created - zip - 1 <= 19); // 5, 10, ... 95 at most
        QCOMPARE(texts.mid(created),
                 (QStringList{"ArchiveCreated", "CopyArchiveToDatabase", "ActionPadsPublished"}));
        QCOMPARE(outcomes.size(), 2);
        QCOMPARE(outcomes.at(1).at(0).toString(), QStringLiteral("published"));
    }

    void assignmentsAreLoadedFromTheSettings_data()
    {
        QTest::addColumn<QList<TableRow>>("tables");
        QTest::addColumn<QString>("webBar");
        QTest::addColumn<QString>("expected"); // key|source|table id|file name, one per line

        QTest::newRow("no tables: the database and the overview only")
            << QList<TableRow>{} << QString()
            << "__database__|__database__|0|\n__overview__|__overview__|0|";
        QTest::newRow("an empty name takes the fallback name")
            << QList<TableRow>{{7, "", "Orders", "Orders", QString()}} << QString()
            << "7|Orders|7|\n__database__|__database__|0|\n__overview__|__overview__|0|";
        QTest::newRow("a file name in mixed case loses its query")
            << QList<TableRow>{{1, "Customers", "", "Customers", "{web}Customers.HTM?Id=5"}}
            << QString()
            << "1|Customers|1|{web}customers.htm\n__database__|__database__|0|\n"
               "__overview__|__overview__|0|";
        QTest::newRow("a web address in upper case keeps its query")
            << QList<TableRow>{{2, "Shops", "", "ShopInspector",
                                "HTTP://Example.COM/Pads/Shops.htm?Tab=2"}}
            << QString()
            << "2|Shops|2|http://example.com/pads/shops.htm?tab=2\n__database__|__database__|0|\n"
               "__overview__|__overview__|0|";
        QTest::newRow("tables in id order, then the database and the overview")
            << QList<TableRow>{{3, "Three", "", "Three", QString()},
                               {1, "One", "", "One", "{web}Customers.htm"}}
            << "{web}Index.HTM?x=1"
            << "1|One|1|{web}customers.htm\n3|Three|3|\n__database__|__database__|0|{web}index."
               "htm\n"
               "__overview__|__overview__|0|";
    }

    void assignmentsAreLoadedFromTheSettings()
    {
        QFETCH(QList<TableRow>, tables);
        QFETCH(QString, webBar);
        QFETCH(QString, expected);
        pads().write(QStringLiteral("customers.htm"), "<html/>");
        pads().write(QStringLiteral("index.htm"), "<html/>");
        for (const TableRow &row : tables)
            addTable(row);
        if (!webBar.isEmpty())
            setWebBar(webBar);

        // The assignments as the archiver receives them, before publishing
        // gives them their archive names.
        QString loaded;
        QObject connection;
        connect(&page(), &ucActionPadEditor::StatusChanged, &connection, [&] {
            if (loaded.isNull())
                loaded = describe(*archiver()->ActionPads());
        });
        QVERIFY(publish());
        QCOMPARE(page().PublishOutcome(), QStringLiteral("published"));
        QCOMPARE(loaded, expected.replace(QStringLiteral("{web}"), pads().path().toLower()));
    }

    void eachProgressStepAddsOneDot()
    {
        QVERIFY(publish());
        QSignalSpy statuses(&page(), &ucActionPadEditor::StatusChanged);

        emit archiver()->EnterState(QStringLiteral("Packing"));
        for (const qint16 percent : {5, 5, 100, 0, 50})
            emit archiver()->ZipPercentComplete(percent);

        QCOMPARE(status(), QStringLiteral("Packing....."));
        QCOMPARE(statuses.size(), 6);
        QCOMPARE(statuses.at(3).at(0).toString(), QStringLiteral("Packing..."));
    }

    void archivesAboveTenMegabytesNeedConsent_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("shown"); // the number in the warning; empty: no warning
        QTest::addColumn<bool>("stored");

        QTest::newRow("exactly 10 MB: no question")
            << qint64(10485760) << QList<int>{} << QString() << true;
        QTest::newRow("one byte more, Yes") << qint64(10485761) << QList<int>{6} << "10.0" << true;
        QTest::newRow("one byte more, No") << qint64(10485761) << QList<int>{7} << "10.0" << false;
        QTest::newRow("10.5 MB, Yes") << qint64(11010048) << QList<int>{6} << "10.5" << true;
    }

    void archivesAboveTenMegabytesNeedConsent()
    {
        QFETCH(qint64, size);
        QFETCH(QList<int>, answers);
        QFETCH(QString, shown);
        QFETCH(bool, stored);
        QVERIFY(publish());
        database().storedFile.clear();
        database().hasStoredFile = false;
        host().application.messages.clear();
        const int refreshes = database().cacheRefreshes;
        for (const int answer : answers)
            host().application.messageBoxAnswers.push_back(answer);

        const QString archive = archiveOfSize(size);
        emit archiver()->Finished(archive);

        if (shown.isEmpty()) {
            QVERIFY(host().application.messages.isEmpty());
        } else {
            QCOMPARE(host().application.messages.size(), 1);
            QCOMPARE(host().application.messages.first().prompt,
                     QStringLiteral("The archive is %1 MB large.\r\nPublish it all the same?")
                         .arg(shown));
            QCOMPARE(host().application.messages.first().style, kWarningStyle);
        }
        QCOMPARE(database().hasStoredFile, stored);
        QCOMPARE(database().cacheRefreshes, refreshes + (stored ? 1 : 0));
        if (stored) {
            QCOMPARE(database().storedFile.size(), size);
            QCOMPARE(page().PublishOutcome(), QStringLiteral("published"));
        } else {
            QCOMPARE(status(), QStringLiteral("Ready."));
            QCOMPARE(page().PublishOutcome(), QStringLiteral("declined"));
        }
        QVERIFY(!QFile::exists(archive));
        QVERIFY(button()->isEnabled());
        QCOMPARE(pointer(), 0);
    }

    void aRealArchiveAboveTheLimitDeclinedStoresNothing()
    {
        pads().write(QStringLiteral("index.htm"), "<html/>");
        pads().write(QStringLiteral("big.bin"), EditorTest::noise(11 * 1024 * 1024));
        setWebBar(QStringLiteral("{web}index.htm"));
        host().application.messageBoxAnswers = {6, 7};

        QVERIFY(publish());

        QCOMPARE(page().PublishOutcome(), QStringLiteral("declined"));
        QCOMPARE(host().application.messages.size(), 2);
        QCOMPARE(host().application.messages.at(1).style, kWarningStyle);
        QVERIFY(host().application.messages.at(1).prompt.startsWith("The archive is 11.0 MB"));
        QVERIFY(!database().hasStoredFile);
        QVERIFY(database().fileAttributes.isEmpty());
        QCOMPARE(database().cacheRefreshes, 0);
        QCOMPARE(status(), QStringLiteral("Ready."));
        QVERIFY(button()->isEnabled());
        QCOMPARE(pointer(), 0);
    }

    void answeringNoToTheConfirmationChangesNothing()
    {
        host().application.messageBoxAnswers = {7};
        const qsizetype before = host().log.lines.size();
        button()->click();
        QCOMPARE(page().PublishOutcome(), QStringLiteral("declined"));
        QVERIFY(!archiver());
        QCOMPARE(host().log.lines.size(), before + 1); // the question, nothing else
        QVERIFY(button()->isEnabled());

        // A publish, whose temporary file is then found left over.
        button()->click();
        QSignalSpy finished(archiver(), &ActionPadArchiver::Finished);
        QVERIFY(settle());
        QCOMPARE(finished.size(), 1);
        const QString leftover = finished.first().at(0).toString();
        QVERIFY(!QFile::exists(leftover));
        QFile file(leftover);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        ActionPadArchiver *const previous = archiver();
        const auto pads = previous->ActionPads();
        const qsizetype count = pads->count();
        const qsizetype calls = host().log.lines.size();
        host().application.messageBoxAnswers = {7};
        button()->click();
        QVERIFY(QFile::exists(leftover));
        QCOMPARE(archiver(), previous);
        QCOMPARE(previous->ActionPads(), pads);
        QCOMPARE(pads->count(), count);
        QCOMPARE(host().log.lines.size(), calls + 1);

        // The next confirmed publish removes it first.
        QVERIFY(publish());
        QVERIFY(!QFile::exists(leftover));
        QVERIFY(archiver() != previous);
    }

    void errorsInTheCompletionAreReported_data()
    {
        QTest::addColumn<bool>("missingArchive"); // else: the data engine fails to save
        QTest::newRow("the archive file is missing") << true;
        QTest::newRow("the data engine cannot save") << false;
    }

    void errorsInTheCompletionAreReported()
    {
        QFETCH(bool, missingArchive);
        pads().write(QStringLiteral("index.htm"), "<html/>");
        setWebBar(QStringLiteral("{web}index.htm"));
        if (missingArchive) {
            QVERIFY(publish());
            database().hasStoredFile = false;
            host().application.messages.clear();
            emit archiver()->Finished(QDir::tempPath() + QStringLiteral("/tmp-gone"));
        } else {
            database().failNextSave = 75;
            QVERIFY(publish());
            host().application.messages.removeFirst(); // the question
        }
        const int refreshes = missingArchive ? 1 : 0;

        QCOMPARE(page().PublishOutcome(), QStringLiteral("failed"));
        QCOMPARE(host().application.messages.size(), 1);
        const auto message = host().application.messages.first();
        QCOMPARE(message.style, kErrorStyle);
        QVERIFY(!message.prompt.isEmpty());
        QCOMPARE(status(), QStringLiteral("Error: ") + message.prompt);
        QVERIFY(!database().hasStoredFile);
        QCOMPARE(database().cacheRefreshes, refreshes);
        QVERIFY(button()->isEnabled());
        QCOMPARE(pointer(), 0);
    }

    void errorsInThePublishHandlerAreReported_data()
    {
        QTest::addColumn<bool>("noDatabase"); // else: an action pad file that does not exist
        QTest::newRow("no database open") << true;
        QTest::newRow("an action pad file is missing") << false;
    }

    void errorsInThePublishHandlerAreReported()
    {
        QFETCH(bool, noDatabase);
        if (noDatabase)
            host().application.database = nullptr;
        else
            addTable({1, "Customers", "", "Customers", "{web}missing.htm"});

        button()->click();

        QCOMPARE(page().PublishOutcome(), QStringLiteral("failed"));
        const auto &messages = host().application.messages;
        QCOMPARE(messages.size(), noDatabase ? 2 : 3); // question, (the archiver's list), error
        QCOMPARE(messages.last().style, kErrorStyle);
        if (!noDatabase)
            QVERIFY(messages.at(1).prompt.contains(withPads("{web}missing.htm").toLower()));
        QVERIFY(!database().hasStoredFile);
        QVERIFY(button()->isEnabled());
        QCOMPARE(pointer(), 0);
    }

    void cancellingTheDuplicatesDialogStoresNothing()
    {
        pads().write(QStringLiteral("a/index.htm"), "<html>a</html>");
        pads().write(QStringLiteral("b/index.htm"), "<html>b</html>");
        addTable({1, "Alpha", "", "Alpha", "{web}a/index.htm"});
        addTable({2, "Beta", "", "Beta", "{web}b/index.htm"});
        QSignalSpy statuses(&page(), &ucActionPadEditor::StatusChanged);

        EditorTest::clickInNextModal(QStringLiteral("cmdCancelPublishing"));
        QVERIFY(publish());

        QCOMPARE(page().PublishOutcome(), QStringLiteral("cancelled"));
        QStringList texts;
        for (const QList<QVariant> &signal : statuses)
            texts << signal.at(0).toString();
        QVERIFY(texts.contains(QStringLiteral("UserFixDuplicates")));
        QVERIFY(!texts.contains(QStringLiteral("CreateZipFile")));
        QCOMPARE(status(), QStringLiteral("Ready."));
        QVERIFY(!database().hasStoredFile);
        QVERIFY(database().fileAttributes.isEmpty());
        QCOMPARE(database().cacheRefreshes, 0);
        QVERIFY(button()->isEnabled());
        QCOMPARE(pointer(), 0);
    }

    void finishedInsideCreateArchiveLeavesThePageIdle()
    {
        pads().write(QStringLiteral("index.htm"), "<html/>");
        setWebBar(QStringLiteral("{web}index.htm"));
        const QString early = archiveOfSize(0);
        bool raised = false;
        QObject connection;
        connect(&page(), &ucActionPadEditor::StatusChanged, &connection, [&] {
            if (std::exchange(raised, true))
                return;
            emit archiver()->Finished(early); // while CreateArchive still runs
        });

        button()->click();
        QVERIFY(raised);
        QVERIFY(button()->isEnabled());
        QCOMPARE(pointer(), 0);
        QVERIFY(!QFile::exists(early));

        // The archiver's own Finished follows; the page ends idle once more.
        QTRY_COMPARE_WITH_TIMEOUT(page().PublishOutcome(), QStringLiteral("published"),
                                  kPublishTimeoutMs);
        QVERIFY(button()->isEnabled());
        QCOMPARE(pointer(), 0);
    }

    void closingThePageDuringAPublishCancelsIt()
    {
        pads().write(QStringLiteral("index.htm"), "<html/>");
        pads().write(QStringLiteral("big.bin"), EditorTest::noise(8 * 1024 * 1024));
        setWebBar(QStringLiteral("{web}index.htm"));

        button()->click();
        QCOMPARE(page().PublishOutcome(), QStringLiteral("running"));
        QVERIFY(!EditorTest::temporaryArchives().isEmpty());
        m_page.reset();

        QCOMPARE(pointer(), 0);
        QTest::qWait(500); // nothing may arrive after the page is gone
        QVERIFY(!database().hasStoredFile);
        QCOMPARE(database().cacheRefreshes, 0);
        QVERIFY(EditorTest::temporaryArchives().isEmpty());
    }
};

QTEST_MAIN(tst_PublishFlow)
#include "tst_publishflow.moc"
