#include "publish/actionpadarchiver.h"

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/vbdebug.h"
#include "platform/runtimeerror.h"
#include "publish/frmeditarchiveduplicates.h"
#include "zip/zipcomponent.h"

#include "tests/fakehost/debugcapture.h"
#include "tests/fakehost/fakehost.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <optional>

using Brimble::actionPad;
using Brimble::ActionPadArchiver;
using Brimble::ActionPadCollection;
using Brimble::frmEditArchiveDuplicates;
using Corvane::Platform::RuntimeError;
namespace AM = Brimble::ApplicationManager;

namespace {

using DialogAction = std::function<void(frmEditArchiveDuplicates &)>;

QTreeWidget *listOf(frmEditArchiveDuplicates &dialog)
{
    return dialog.findChild<QTreeWidget *>(QStringLiteral("lvArchiveFiles"));
}

void click(frmEditArchiveDuplicates &dialog, const char *button)
{
    dialog.findChild<QPushButton *>(QLatin1String(button))->click();
}

const DialogAction kContinue = [](frmEditArchiveDuplicates &d) {
    click(d, "cmdContinuePublishing");
};

// Answers the duplicates dialog when it shows up: records its rows
// ("archive name|source file") and runs the action, which closes it.
class DialogAnswer final : public QObject
{
public:
    explicit DialogAnswer(DialogAction action)
        : m_action(std::move(action))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *dialog =
                qobject_cast<frmEditArchiveDuplicates *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            ++shown;
            const QTreeWidget *list = listOf(*dialog);
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                rows << list->topLevelItem(i)->text(0) + QLatin1Char('|') +
                            list->topLevelItem(i)->text(1);
            m_action(*dialog);
            // An action that failed half-way must not leave the publish waiting.
            if (dialog->isVisible())
                dialog->reject();
        });
        m_timer.start(5);
    }

    int shown = 0;
    QStringList rows;

private:
    DialogAction m_action;
    QTimer m_timer;
};

} // namespace

class tst_ActionPadArchiver : public QObject
{
    Q_OBJECT

private:
    std::optional<FakeHost::Host> m_host;
    std::optional<QTemporaryDir> m_web;
    std::shared_ptr<ActionPadCollection> m_pads;

    FakeHost::Host &host() { return *m_host; }

    QString web(const QString &relative = {}) const
    {
        return QDir::toNativeSeparators(m_web->path() +
                                        (relative.isEmpty() ? QString() : "/" + relative));
    }

    void writeFile(const QString &relative, const QByteArray &content = "<html></html>")
    {
        const QString path = m_web->path() + "/" + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    actionPad &addPad(const QString &source, const QString &location)
    {
        auto pad = std::make_shared<actionPad>();
        pad->setSource(source);
        pad->setFilename(location);
        m_pads->add(source, pad);
        return *pad;
    }

    QString published(const QString &source) const
    {
        return m_pads->item(source)->PublishedFileName();
    }

    // One publish from CreateArchive to Finished, as the page drives it.
    struct Run
    {
        QString archive;
        QStringList states;
        QList<qint16> percents;
        QStringList finished;
        bool finishedBeforeReturn = false;
    };

    Run publish(const std::function<void(ActionPadArchiver &, Run &)> &prepare = {})
    {
        Run run;
        ActionPadArchiver archiver;
        bool returned = false;
        connect(&archiver, &ActionPadArchiver::EnterState, this,
                [&](const QString &state) { run.states << state; });
        connect(&archiver, &ActionPadArchiver::ZipPercentComplete, this,
                [&](qint16 percent) { run.percents << percent; });
        connect(&archiver, &ActionPadArchiver::Finished, this, [&](const QString &name) {
            run.finished << name;
            run.finishedBeforeReturn = run.finishedBeforeReturn || !returned;
        });
        archiver.setActionPads(m_pads);
        if (prepare)
            prepare(archiver, run);
        run.archive = archiver.CreateArchive();
        returned = true;
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!run.finished.isEmpty(), 120000); }();
        // Nothing may follow Finished.
        QTest::qWait(50);
        return run;
    }

    static QStringList entries(const QString &archive)
    {
        QProcess zipinfo;
        zipinfo.start(QStringLiteral("zipinfo"), {QStringLiteral("-1"), archive});
        zipinfo.waitForFinished();
        QStringList names = QString::fromUtf8(zipinfo.readAllStandardOutput())
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        names.sort();
        return names;
    }

    static bool unzipTest(const QString &archive)
    {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive});
        return unzip.waitForFinished() && unzip.exitStatus() == QProcess::NormalExit &&
               unzip.exitCode() == 0;
    }

    static QByteArray entryContent(const QString &archive, const QString &entry)
    {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, entry});
        unzip.waitForFinished();
        return unzip.readAllStandardOutput();
    }

    void verifyPublished(const Run &run, const QStringList &expectedEntries)
    {
        QCOMPARE(run.finished, QStringList{run.archive});
        QVERIFY(!run.finishedBeforeReturn);
        QVERIFY2(unzipTest(run.archive), qPrintable(run.archive));
        QCOMPARE(entries(run.archive), expectedEntries);
    }

    // index.htm directly under two folders, and a file of its own in the second.
    void writeClash()
    {
        writeFile("one/index.htm", "one");
        writeFile("two/index.htm", "two");
        writeFile("two/two.htm");
        addPad("T1", web("one/index.htm"));
        addPad("T2", web("two/index.htm"));
    }

    QStringList pointerCalls() const { return m_host->log.matching("MousePointer"); }

private slots:
    void init()
    {
        m_host.emplace();
        Brimble::ResourceManager::ResetTranslatorForTests();
        AM::SetApplication(&host().application);
        m_web.emplace();
        QVERIFY(m_web->isValid());
        m_pads = std::make_shared<ActionPadCollection>();
    }

    void cleanup()
    {
        m_pads.reset();
        m_web.reset();
        AM::SetApplication(nullptr);
        Brimble::ResourceManager::ResetTranslatorForTests();
        Brimble::VBDebug::SetDebugFlag(false);
        m_host.reset();
        for (const QString &name : QDir(QDir::tempPath()).entryList({"tmp*"}, QDir::Files))
            QFile::remove(QDir::tempPath() + "/" + name);
    }

    void invalidFilesAreNamedInOneWarning()
    {
        host().translations = {{"ActionPadArchiver.Error_InvalidFiles",
                                "Missing:%1{vbNewLine}Choose existing files."}};
        writeFile("index.htm");
        addPad("T1", web("index.htm"));
        addPad("T2", web("missing.htm"));
        addPad("T3", QStringLiteral("http://example.com/nowhere.htm"));
        addPad("T4", web("sub/gone.htm"));

        const QStringList tempFiles = QDir(QDir::tempPath()).entryList({"tmp*"}, QDir::Files);
        ActionPadArchiver archiver;
        archiver.setActionPads(m_pads);
        QStringList states;
        int finished = 0;
        connect(&archiver, &ActionPadArchiver::EnterState, this,
                [&](const QString &state) { states << state; });
        connect(&archiver, &ActionPadArchiver::Finished, this, [&] { ++finished; });
        try {
            archiver.CreateArchive();
            QFAIL("CreateArchive returned although action pad files are missing");
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), Corvane::Platform::componentError(514));
        }
        QCOMPARE(host().application.messages.size(), 1);
        const auto &message = host().application.messages.constFirst();
        QCOMPARE(message.prompt, "Missing:\rT2\t" + web("missing.htm") + "\rT4\t" +
                                     web("sub/gone.htm") + "\r\nChoose existing files.");
        QCOMPARE(message.style, 48 | 0x10000);
        QTest::qWait(50);
        QCOMPARE(states, QStringList{"AnalyzeActionPads"});
        QCOMPARE(finished, 0);
        QCOMPARE(QDir(QDir::tempPath()).entryList({"tmp*"}, QDir::Files), tempFiles);
    }

    void publishesEveryFileUnderTheFolders()
    {
        writeFile("index.htm");
        writeFile("css/site.css", "body { color: black; }");
        writeFile("img/logo.gif", QByteArray(3000, 'g'));
        writeFile("img/small/dot.png", "png");
        addPad("T1", web("index.htm"));
        addPad("T2", QStringLiteral("HTTP://example.com/pad.htm"));
        addPad("T3", QString());
        addPad("T4", web("img/logo.gif"));
        addPad("T5", web("index.htm"));
        Brimble::VBDebug::SetDebugFlag(true);
        FakeHost::DebugCapture capture;

        const Run run = publish();

        verifyPublished(run, {"css/site.css", "img/logo.gif", "img/small/dot.png", "index.htm"});
        QCOMPARE(run.states, (QStringList{"AnalyzeActionPads", "CreateZipFile", "ArchiveCreated"}));
        QCOMPARE(entryContent(run.archive, "css/site.css"), QByteArray("body { color: black; }"));
        QCOMPARE(published("T1"), QStringLiteral("index.htm"));
        QCOMPARE(published("T2"), QString());
        QCOMPARE(published("T3"), QString());
        QCOMPARE(published("T4"), QStringLiteral("img/logo.gif"));
        // Only the first pad of a file gets its published name.
        QCOMPARE(published("T5"), QString());
        QCOMPARE(pointerCalls(), QStringList());
        // URLs and empty locations are not collected; the folder of the image is
        // listed on its own, and its files keep the names the first folder gave them.
        QVERIFY(capture.lines.contains("filesToProcess: |" + web("*").toUtf8() + "|" +
                                       web("img/*").toUtf8() + "\r\n"));
        QVERIFY(capture.lines.contains("number of archivefiles: 4\r\n"));
        QVERIFY(capture.lines.contains(
            "[z] [archivefile] af: index.htm, src: " + web("index.htm").toUtf8() +
            ", duplicate: False, excluded: False\r\n"));
    }

    void foldersDifferingOnlyInCaseAreOne()
    {
        writeFile("Pads/a.htm");
        writeFile("Pads/b.htm");
        addPad("T1", web("Pads/a.htm"));
        addPad("T2", web("pads/b.htm"));
        Brimble::VBDebug::SetDebugFlag(true);
        FakeHost::DebugCapture capture;

        DialogAnswer answer(kContinue);
        const Run run = publish();

        verifyPublished(run, {"a.htm", "b.htm"});
        QCOMPARE(answer.shown, 0);
        QVERIFY(capture.lines.contains("filesToProcess: |" + web("Pads/*").toUtf8() + "\r\n"));
        QCOMPARE(published("T1"), QStringLiteral("a.htm"));
        // Reported under the folder's first spelling, which is not the pad's.
        QCOMPARE(published("T2"), QString());
    }

    void clashesAcrossFoldersAskTheUser()
    {
        writeClash();
        DialogAnswer answer([this](frmEditArchiveDuplicates &dialog) {
            // Made after the preview: it has no record and stays out.
            writeFile("one/late.htm");
            click(dialog, "cmdContinuePublishing");
        });

        const Run run = publish();

        QCOMPARE(answer.shown, 1);
        QCOMPARE(answer.rows, (QStringList{"index.htm|" + web("one/index.htm"),
                                           "index.htm|" + web("two/index.htm")}));
        verifyPublished(run, {"index.htm", "two.htm"});
        QCOMPARE(entryContent(run.archive, "index.htm"), QByteArray("one"));
        QCOMPARE(run.states, (QStringList{"AnalyzeActionPads", "UserFixDuplicates", "CreateZipFile",
                                          "ArchiveCreated"}));
        QCOMPARE(pointerCalls(), (QStringList{"MousePointer 0", "MousePointer 11"}));
        QCOMPARE(published("T1"), QStringLiteral("index.htm"));
        QCOMPARE(published("T2"), QStringLiteral("index.htm"));
    }

    void onlyTheLaterCaseVariantIsMarked()
    {
        writeFile("one/index.htm", "lower");
        writeFile("two/Index.htm", "upper");
        addPad("T1", web("one/index.htm"));
        addPad("T2", web("two/Index.htm"));
        DialogAnswer answer(kContinue);

        const Run run = publish();

        QCOMPARE(answer.rows, QStringList{"Index.htm|" + web("two/Index.htm")});
        verifyPublished(run, {"Index.htm", "index.htm"});
        QCOMPARE(entryContent(run.archive, "Index.htm"), QByteArray("upper"));
    }

    void nestedFolderKeepsTheFirstReport_data()
    {
        QTest::addColumn<QStringList>("pads");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("innerName");
        QTest::newRow("outer folder first") << QStringList{"a.htm", "sub/b.htm"}
                                            << QStringList{"a.htm", "sub/b.htm"} << "sub/b.htm";
        QTest::newRow("inner folder first")
            << QStringList{"sub/b.htm", "a.htm"} << QStringList{"a.htm", "b.htm"} << "b.htm";
    }

    void nestedFolderKeepsTheFirstReport()
    {
        QFETCH(QStringList, pads);
        QFETCH(QStringList, expected);
        QFETCH(QString, innerName);
        writeFile("a.htm");
        writeFile("sub/b.htm");
        addPad("T1", web(pads.at(0)));
        addPad("T2", web(pads.at(1)));
        Brimble::VBDebug::SetDebugFlag(true);
        FakeHost::DebugCapture capture;
        DialogAnswer answer(kContinue);

        const Run run = publish();

        verifyPublished(run, expected);
        QCOMPARE(answer.shown, 0);
        QCOMPARE(published(pads.at(0) == "a.htm" ? "T2" : "T1"), innerName);
        const QByteArray reported = "(" + web("sub/b.htm").toUtf8() + ") [pf]\r\n";
        QCOMPARE(std::count_if(capture.lines.cbegin(), capture.lines.cend(),
                               [&](const QByteArray &line) { return line.endsWith(reported); }),
                 2);
    }

    void relativeLocationIsInNoFolder()
    {
        // A location without a folder part names no folder to cut: the file
        // keeps the name the component gives it.
        writeFile("start.htm");
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_web->path()));
        addPad("T1", QStringLiteral("start.htm"));
        const Run run = publish();
        QDir::setCurrent(saved);
        verifyPublished(run, {"start.htm"});
    }

    void networkFolderCutsTheSourcePath()
    {
#if defined(Q_OS_WIN)
        QSKIP("needs a share; POSIX reads a leading double slash as the root");
#endif
        writeFile("share/a.htm");
        writeFile("share/img/b.gif");
        const QString folder = "/" + web("share");
        addPad("T1", folder + "/a.htm");
        const Run run = publish();
        verifyPublished(run, {"a.htm", "img/b.gif"});
        QCOMPARE(published("T1"), QStringLiteral("a.htm"));
    }

    void noLocalFileZipsAnEmptyList()
    {
        addPad("T1", QStringLiteral("https://example.com/a.htm"));
        addPad("T2", QString());
        DialogAnswer answer(kContinue);
        const Run run = publish();
        QCOMPARE(run.finished, QStringList{run.archive});
        QCOMPARE(answer.shown, 0);
        QCOMPARE(run.states, (QStringList{"AnalyzeActionPads", "CreateZipFile", "ArchiveCreated"}));
    }

    void progressIsReportedInStepsOfFive_data()
    {
        QTest::addColumn<QList<qint16>>("reported");
        QTest::addColumn<QList<qint16>>("expected");
        QTest::newRow("repeats, odd values, 0 and 100 dropped")
            << QList<qint16>{0, 3, 5, 5, 10, 7, 10, 100} << QList<qint16>{5, 10};
        QList<qint16> steps;
        for (qint16 p = 0; p <= 100; ++p)
            steps << p;
        QList<qint16> fives;
        for (qint16 p = 5; p < 100; p += 5)
            fives << p;
        QTest::newRow("every percent once") << steps << fives;
        QTest::newRow("only the end") << QList<qint16>{100, 100} << QList<qint16>{};
    }

    void progressIsReportedInStepsOfFive()
    {
        QFETCH(QList<qint16>, reported);
        QFETCH(QList<qint16>, expected);
        writeFile("index.htm");
        addPad("T1", web("index.htm"));
        QList<qint16> raised;
        const Run run = publish([&](ActionPadArchiver &archiver, Run &current) {
            connect(&archiver, &ActionPadArchiver::EnterState, this, [&](const QString &state) {
                if (state != "CreateZipFile")
                    return;
                // Once the zipper exists and before any report of its own arrives.
                QTimer::singleShot(0, &archiver, [&] {
                    auto *zipper = archiver.findChild<Corvane::Zip::ZipComponent *>("m_Zipper");
                    QVERIFY(zipper);
                    const qsizetype before = current.percents.size();
                    for (qint16 percent : reported)
                        emit zipper->GlobalStatus(1, 0, 0, 0, 100, 0, 0, percent, 0, 0);
                    raised = current.percents.mid(before);
                });
            });
        });
        verifyPublished(run, {"index.htm"});
        QCOMPARE(raised, expected);
    }

    void declinedDialogEndsWithTheEmptyFile_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Cancel") << "cmdCancelPublishing";
        QTest::newRow("close box") << QString();
    }

    void declinedDialogEndsWithTheEmptyFile()
    {
        QFETCH(QString, button);
        writeClash();
        DialogAnswer answer([&](frmEditArchiveDuplicates &dialog) {
            QTreeWidget *list = listOf(dialog);
            QCOMPARE(list->topLevelItemCount(), 2);
            list->topLevelItem(1)->setCheckState(0, Qt::Checked);
            if (button.isEmpty())
                dialog.close();
            else
                click(dialog, qPrintable(button));
        });
        const Run run = publish();
        QCOMPARE(answer.shown, 1);
        QCOMPARE(run.finished, QStringList{run.archive});
        QVERIFY(!run.finishedBeforeReturn);
        QCOMPARE(run.states, (QStringList{"AnalyzeActionPads", "UserFixDuplicates"}));
        QVERIFY(QFileInfo(run.archive).isFile());
        QCOMPARE(QFileInfo(run.archive).size(), 0);
        QCOMPARE(pointerCalls(), QStringList{"MousePointer 0"});
    }

    void everyClashingFileMayBeLeftOut()
    {
        writeClash();
        DialogAnswer answer([](frmEditArchiveDuplicates &dialog) {
            QTreeWidget *list = listOf(dialog);
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                list->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
            click(dialog, "cmdContinuePublishing");
        });
        const Run run = publish();
        verifyPublished(run, {"two.htm"});
        QCOMPARE(run.states.mid(2), (QStringList{"CreateZipFile", "ArchiveCreated"}));
    }

    void failingDialogEndsThePublish()
    {
        // An error in an event handler must not escape into the event loop.
        host().database.setSetting("Addins\\CorvaneAdministration\\frmEditArchiveDuplicates",
                                   "Width", "broad");
        writeClash();
        const Run run = publish();
        QCOMPARE(run.finished, QStringList{run.archive});
        QCOMPARE(run.states.last(), QStringLiteral("UserFixDuplicates"));
        QCOMPARE(QFileInfo(run.archive).size(), 0);
        QCOMPARE(host().application.messages.size(), 1);
        QVERIFY2(host().application.messages.constFirst().prompt.contains("broad"),
                 qPrintable(host().application.messages.constFirst().prompt));
    }

    void failedZipNamesTheFileAndHandsOverNoArchive()
    {
        host().translations = {{"ActionPadArchiver.Error_ZipFailed", "Not published: %1"}};
        writeClash();
        DialogAnswer answer(kContinue);
        const Run run = publish([&](ActionPadArchiver &archiver, Run &) {
            connect(&archiver, &ActionPadArchiver::EnterState, this, [&](const QString &state) {
                if (state != "UserFixDuplicates")
                    return;
                // The archive's place is taken by a folder: the zip cannot be written.
                const QString path =
                    archiver.findChild<Corvane::Zip::ZipComponent *>("m_Previewer")->archivePath();
                QVERIFY(QFile::remove(path));
                QVERIFY(QDir().mkdir(path));
            });
        });
        QCOMPARE(run.finished, QStringList{run.archive});
        QVERIFY(!run.states.contains("ArchiveCreated"));
        QCOMPARE(run.states.last(), QStringLiteral("CreateZipFile"));
        QCOMPARE(host().application.messages.size(), 1);
        const auto &message = host().application.messages.constFirst();
        QVERIFY2(message.prompt.startsWith("Not published: ") &&
                     message.prompt.contains(run.archive),
                 qPrintable(message.prompt));
        QCOMPARE(message.style, 48 | 0x10000);
        QVERIFY(QDir().rmdir(run.archive));
    }
};

QTEST_MAIN(tst_ActionPadArchiver)
#include "tst_actionpadarchiver.moc"
