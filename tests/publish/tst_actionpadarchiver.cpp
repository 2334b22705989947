// The archiver over real folders with the real zip component: which files it packs under
// which names, the duplicates dialog's decisions, the order of its events, progress and failures.
#include "publish/actionpadarchiver.h"

#include "../datarows.h"
#include "tests/addin/addintestsupport.h"

#include "platform/runtimeerror.h"
#include "publish/frmeditarchiveduplicates.h"
#include "tests/platform/platformtest.h"
#include "zip/zipcomponent.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <optional>

using Brimble::actionPad;
using Brimble::ActionPadArchiver;
using Brimble::frmEditArchiveDuplicates;
using namespace DataRows;

namespace {

// Answers the duplicates dialog when it shows up: the action closes it.
struct DialogAnswer : QTimer
{
    explicit DialogAnswer(std::function<void(frmEditArchiveDuplicates &)> action)
    {
        connect(this, &QTimer::timeout, this, [action] {
            if (auto *dialog =
                    qobject_cast<frmEditArchiveDuplicates *>(QApplication::activeModalWidget()))
                action(*dialog);
        });
        start(5);
    }
};

QString tool(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished();
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class tst_ActionPadArchiver : public QObject
{
    Q_OBJECT

private:
    std::optional<AddinTest::Fixture> m_fixture;
    std::optional<QTemporaryDir> m_web;
    std::shared_ptr<Brimble::ActionPadCollection> m_pads;
    QStringList m_archives; // the temporary files the publishes made

    FakeHost::Host &host() { return m_fixture->host; }
    QString web(const QString &relative) const
    {
        return QDir::toNativeSeparators(m_web->filePath(relative));
    }

    // Each file holds its own relative path.
    void writeFiles(const QStringList &files)
    {
        for (const QString &relative : files) {
            QDir().mkpath(QFileInfo(m_web->filePath(relative)).absolutePath());
            QFile file(m_web->filePath(relative));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(relative.toUtf8());
        }
    }

    void addPads(const QStringList &locations)
    {
        for (const QString &location : locations) {
            auto pad = std::make_shared<actionPad>();
            const QString source = QStringLiteral("T%1").arg(m_pads->count() + 1);
            pad->setSource(source);
            pad->setFilename(location);
            m_pads->add(source, pad);
        }
    }

    // One publish from CreateArchive to Finished, as the page drives it: every event in
    // order ("Finished" included; "returned" where CreateArchive returned).
    struct Run
    {
        QString archive, failure; // failure: FailureDescription() at Finished
        QStringList events;
    };

    Run publish(const std::function<void(ActionPadArchiver &, Run &)> &prepare = {})
    {
        Run run;
        ActionPadArchiver archiver;
        connect(&archiver, &ActionPadArchiver::EnterState, this,
                [&](const QString &state) { run.events << state; });
        connect(&archiver, &ActionPadArchiver::Finished, this, [&](const QString &name) {
            run.events << "Finished";
            run.failure = archiver.FailureDescription();
            QCOMPARE(name, run.archive);
        });
        archiver.setActionPads(m_pads);
        if (prepare)
            prepare(archiver, run);
        run.archive = archiver.CreateArchive();
        run.events << "returned";
        if (!run.archive.isEmpty())
            m_archives << run.archive;
        [&] { QTRY_VERIFY_WITH_TIMEOUT(run.events.last() == "Finished", 120000); }();
        QTest::qWait(50); // nothing may follow the end
        return run;
    }

    // The archive is sound and holds these entries, each "name=content" (none: it is empty).
    void verifyArchive(const Run &run, const QStringList &expected)
    {
        QCOMPARE(run.events.last(), "Finished");
        if (expected.isEmpty()) {
            QCOMPARE(QFileInfo(run.archive).size(), 0);
            return;
        }
        int exitCode = -1;
        tool("unzip", {"-tq", run.archive}, &exitCode);
        QCOMPARE(exitCode, 0);
        QStringList entries = tool("zipinfo", {"-1", run.archive}).split('\n', Qt::SkipEmptyParts);
        for (QString &entry : entries)
            entry += '=' + tool("unzip", {"-p", run.archive, entry});
        entries.sort();
        QCOMPARE(entries, expected);
    }

    QStringList publishedNames() const
    {
        QStringList names;
        for (const auto &entry : *m_pads)
            names << entry.second->PublishedFileName();
        return names;
    }

private slots:
    void init()
    {
        m_fixture.emplace();
        m_web.emplace();
        QVERIFY(m_web->isValid());
        m_pads = std::make_shared<Brimble::ActionPadCollection>();
        host().database.open(m_web->filePath("corvane.db"));
        host().translations = {
            {"ActionPadArchiver.InvalidFile_Missing", "does not exist"},
            {"ActionPadArchiver.InvalidFile_Folder", "is a folder"},
            {"ActionPadArchiver.InvalidFile_NotRegular", "is not a regular file"},
            {"ActionPadArchiver.Error_PreviewFailed", "Not read: %1"},
            {"ActionPadArchiver.Error_ZipFailed", "Not published: %1"},
            {"ActionPadArchiver.Warning_SkippedLinks", "Left out: %1"}};
    }

    void cleanup()
    {
        m_pads.reset();
        m_web.reset();
        m_fixture.reset();
        for (const QString &archive : std::as_const(m_archives))
            QFile::remove(archive);
        m_archives.clear();
    }

    void invalidFilesAreNamedInOneWarning()
    {
        host().translations.insert("ActionPadArchiver.Error_InvalidFiles",
                                   "Missing:%1{vbNewLine}Choose existing files.");
        writeFiles({"index.htm", "pads/a.htm"});
        QCOMPARE(mkfifo(QFile::encodeName(web("pipe.htm")).constData(), 0644), 0);
        addPads({web("index.htm"), web("missing.htm"), "http://example.com/nowhere.htm",
                 web("sub/gone.htm"), web("pads"), web("pipe.htm")});
        const QStringList tempFiles = QDir(QDir::tempPath()).entryList({"tmp*"}, QDir::Files);
        QCOMPARE(errorOf([&] { publish(); }), Corvane::Platform::componentError(514));
        QCOMPARE(host().log.matching("MessageBox"),
                 {"MessageBox style=65584 prompt=Missing:\rT2\t" + web("missing.htm") +
                  " does not exist\rT4\t" + web("sub/gone.htm") + " does not exist\rT5\t" +
                  web("pads") + " is a folder\rT6\t" + web("pipe.htm") +
                  " is not a regular file\r\nChoose existing files. -> 1"});
        QCOMPARE(QDir(QDir::tempPath()).entryList({"tmp*"}, QDir::Files), tempFiles);
    }

    void publishes_data()
    {
        // Lists of words; "-" is an empty location or name. Pad locations are relative to the
        // web folder; "//" before one: as a network path; "./": a bare name in the current
        // folder. The answer to the duplicates dialog (none: it must not show): Continue, "none"
        // (every row unchecked) or Cancel. Entries "name=source" (none: the empty file); the
        // pads' published names in order.
        columns<QString, QString, QString, QString, QString>(
            {"files", "pads", "answer", "entries", "published"});
        row("every file under the pads' folders; web addresses and empty locations add none",
            "index.htm css/site.css img/logo.gif img/small/dot.png",
            "index.htm HTTP://example.com/pad.htm - img/logo.gif index.htm", "",
            "css/site.css=css/site.css img/logo.gif=img/logo.gif "
            "img/small/dot.png=img/small/dot.png index.htm=index.htm",
            "index.htm - - img/logo.gif index.htm");
        row("folders differing only in case are one, under the first spelling",
            "Pads/a.htm Pads/b.htm", "Pads/a.htm pads/b.htm", "",
            "a.htm=Pads/a.htm b.htm=Pads/b.htm", "a.htm b.htm");
        row("a name in two folders asks the user; the first is kept by default",
            "one/index.htm two/index.htm two/two.htm", "one/index.htm two/index.htm", "cmdContinue",
            "index.htm=one/index.htm two.htm=two/two.htm", "index.htm index.htm");
        row("every clashing file may be left out", "one/index.htm two/index.htm two/two.htm",
            "one/index.htm two/index.htm", "none", "two.htm=two/two.htm", "- -");
        row("Cancel leaves the file empty", "one/a.htm two/a.htm", "one/a.htm two/a.htm",
            "cmdCancel", "", "a.htm a.htm");
        row("a file gone after the preview leaves the file empty",
            "one/a.htm two/a.htm two/gone.htm", "one/a.htm two/a.htm", "cmdContinue", "",
            "a.htm a.htm");
        row("Ü.htm and ü.htm clash; the pad names the one kept", "Ü.htm ü.htm", "ü.htm",
            "cmdContinue", "Ü.htm=Ü.htm", "Ü.htm");
        row("a name found on disk in another case than the location's", "Pads/Start.htm",
            "pads/start.htm", "", "Start.htm=Pads/Start.htm", "Start.htm");
        row("the database published to and its journals stay out",
            "corvane.db-journal corvane.db.txt index.htm", // corvane.db*: open there
            "index.htm", "", "corvane.db.txt=corvane.db.txt index.htm=index.htm", "index.htm");
        row("inner folder first: its file at the top", "a.htm sub/b.htm", "sub/b.htm a.htm", "",
            "a.htm=a.htm b.htm=sub/b.htm", "b.htm a.htm");
        row("a network folder is cut from the names", "s/a.htm s/img/b.gif", "//s/a.htm", "",
            "a.htm=s/a.htm img/b.gif=s/img/b.gif", "a.htm");
        row("a bare name is in no folder", "start.htm", "./start.htm", "", "start.htm=start.htm",
            "start.htm");
    }

    void publishes()
    {
        QFETCH(QString, files);
        QFETCH(QString, pads);
        QFETCH(QString, answer);
        QFETCH(QString, entries);
        QFETCH(QString, published);
        writeFiles(words(files));
        QStringList locations = words(pads);
        for (QString &pad : locations) {
            if (pad.startsWith("//"))
                pad = '/' + web(pad.mid(2));
            else if (pad.startsWith("./"))
                pad = pad.mid(2);
            else if (!pad.isEmpty() && !pad.contains(':'))
                pad = web(pad);
        }
        addPads(locations);
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_web->path()));
        DialogAnswer dialogAnswer([&](frmEditArchiveDuplicates &d) {
            writeFiles({"one/late.htm"}); // made after the preview: it has no record, stays out
            QFile::remove(web("two/gone.htm")); // previewed, then gone: nothing is published
            auto *list = d.findChild<QTreeWidget *>("lvArchiveFiles");
            for (int i = 0; answer == "none" && i < list->topLevelItemCount(); ++i)
                list->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
            const QString button = answer.startsWith("cmd") ? answer : "cmdContinue";
            d.findChild<QPushButton *>(button + "Publishing")->click();
        });
        const Run run = publish();
        QDir::setCurrent(cwd);
        verifyArchive(run, words(entries));
        QCOMPARE(publishedNames(), words(published));
        // The events in order.
        // The zip step runs for what is kept; a file gone meanwhile stops it.
        const bool asked = !answer.isEmpty(), zipped = !entries.isEmpty() || files.contains("gone");
        QStringList events{"AnalyzeActionPads", "returned"};
        if (asked)
            events << "UserFixDuplicates";
        if (zipped)
            events << "CreateZipFile";
        if (!entries.isEmpty())
            events << "ArchiveCreated";
        QCOMPARE(run.events, events << "Finished");
        // The pointer: the user's turn, the zip step's, the message of a failure.
        QStringList pointers;
        if (asked)
            pointers << "MousePointer 0";
        if (asked && zipped)
            pointers << "MousePointer 11";
        if (zipped && entries.isEmpty())
            pointers << "MousePointer 0";
        QCOMPARE(host().log.matching("MousePointer"), pointers);
    }

    // Only new multiples of 5 below 100: repeats, odd values, 0 and 100 are dropped.
    void progressIsReportedInStepsOfFive()
    {
        writeFiles({"index.htm"});
        addPads({web("index.htm")});
        QList<qint16> raised;
        const Run run = publish([&](ActionPadArchiver &archiver, Run &) {
            connect(&archiver, &ActionPadArchiver::EnterState, this, [&](const QString &state) {
                if (state != "CreateZipFile")
                    return;
                // Its zip components report, before any report of their own arrives.
                QTimer::singleShot(0, &archiver, [&] {
                    QSignalSpy spy(&archiver, &ActionPadArchiver::ZipPercentComplete);
                    for (auto *zip : archiver.findChildren<Corvane::Zip::ZipComponent *>())
                        for (qint16 percent : {0, 3, 5, 5, 10, 7, 10, 100, 95})
                            emit zip->GlobalStatus(1, 0, 0, 0, 100, 0, 0, percent, 0, 0);
                    for (const QVariantList &report : std::as_const(spy))
                        raised << report.at(0).value<qint16>();
                });
            });
        });
        verifyArchive(run, {"index.htm=index.htm"});
        QCOMPARE(raised, QList<qint16>({5, 10, 95}));
    }

    void linksLeadingOutAreLeftOutWithOneWarning()
    {
        QTemporaryDir outside;
        writeFiles({"pads/index.htm", "shared/site.css"});
        QVERIFY(QFile::link("../shared", web("pads/shared")));
        QVERIFY(QFile::link(outside.path(), web("pads/etc")));
        QVERIFY(QFile::link("/etc/hostname", web("pads/host.txt")));
        host().database.setWebFolder(web(""));
        addPads({web("pads/index.htm")});
        const Run run = publish();
        verifyArchive(run, {"index.htm=pads/index.htm", "shared/site.css=shared/site.css"});
        QCOMPARE(host().log.matching("MessageBox"),
                 {"MessageBox style=65584 prompt=Left out: " + web("pads/etc") + " -> " +
                  QFileInfo(outside.path()).canonicalFilePath() + "; " + web("pads/host.txt") +
                  " -> " + QFileInfo("/etc/hostname").canonicalFilePath() + " -> 1"});
    }

    void failuresEndThePublishWithAMessage_data()
    {
        // width: the stored dialog width; odd: a file of that name (bytes) in one/; blocked: a
        // folder takes the archive's place once the dialog shows.
        columns<QString, QByteArray, bool, QString, QString>(
            {"width", "odd", "blocked", "lastState", "message"});
        // An unreadable stored dialog width: the error must not escape into the event loop.
        row("the duplicates dialog cannot load", "broad", QByteArray(), false, "UserFixDuplicates",
            "broad");
        row("the zip cannot be written", "", QByteArray(), true, "CreateZipFile",
            "Not published: ");
        row("a file name that is not UTF-8 ends the preview", "", QByteArray("caf\xe9.htm"), false,
            "returned", "Not read: The name of the file \"caf\\xE9.htm\"");
    }

    void failuresEndThePublishWithAMessage()
    {
        QFETCH(QString, width);
        QFETCH(QByteArray, odd);
        QFETCH(bool, blocked);
        QFETCH(QString, lastState);
        QFETCH(QString, message);
        if (!width.isEmpty())
            host().database.setSetting("Addins\\CorvaneAdministration\\frmEditArchiveDuplicates",
                                       "Width", width);
        writeFiles({"one/index.htm", "two/index.htm"});
        odd.prepend(QFile::encodeName(web("one/")));
        const auto removeOdd = qScopeGuard([&] { ::unlink(odd.constData()); });
        if (!odd.endsWith('/'))
            QCOMPARE(::close(::creat(odd.constData(), 0644)), 0);
        addPads({web("one/index.htm"), web("two/index.htm")});
        DialogAnswer answer(
            [](QDialog &d) { d.findChild<QPushButton *>("cmdContinuePublishing")->click(); });
        const Run run = publish([&](ActionPadArchiver &archiver, Run &current) {
            connect(&archiver, &ActionPadArchiver::EnterState, this, [&](const QString &state) {
                if (blocked && state == "UserFixDuplicates") // CreateArchive gave the name by now
                    QVERIFY(QFile::remove(current.archive) && QDir().mkdir(current.archive));
            });
        });
        QCOMPARE(run.events.mid(run.events.size() - 2), QStringList({lastState, "Finished"}));
        // The one message; the page shows it as its status.
        QCOMPARE(host().log.matching("MessageBox"),
                 {"MessageBox style=65584 prompt=" + run.failure + " -> 1"});
        QVERIFY2(run.failure.contains(message), qPrintable(run.failure));
        if (blocked) {
            QVERIFY2(run.failure.contains(run.archive), qPrintable(run.failure));
            QVERIFY(QDir().rmdir(run.archive));
        } else {
            QCOMPARE(QFileInfo(run.archive).size(), 0);
        }
    }
};

QTEST_MAIN(tst_ActionPadArchiver)
#include "tst_actionpadarchiver.moc"
