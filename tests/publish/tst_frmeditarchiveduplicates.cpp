#include "publish/frmeditarchiveduplicates.h"

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/vbdebug.h"
#include "platform/paths.h"
#include "platform/runtimeerror.h"
#include "platform/twips.h"

#include "tests/fakehost/debugcapture.h"
#include "tests/fakehost/fakehost.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <functional>
#include <optional>

using Brimble::ArchiveFile;
using Brimble::ArchiveFileCollection;
using Brimble::frmEditArchiveDuplicates;
namespace AM = Brimble::ApplicationManager;
namespace Twips = Corvane::Platform::Twips;

namespace {

const QString kSettings = QStringLiteral("Addins\\CorvaneAdministration\\frmEditArchiveDuplicates");

struct FileRow
{
    QString archiveName;
    bool duplicate;
};
using FileRows = QList<FileRow>;

std::shared_ptr<ArchiveFileCollection> makeRecords(const FileRows &files)
{
    auto records = std::make_shared<ArchiveFileCollection>();
    int n = 0;
    for (const FileRow &file : files) {
        auto record = std::make_shared<ArchiveFile>();
        const QString source = QStringLiteral("/web/f%1/").arg(++n) + file.archiveName;
        record->setSourceFilename(
            QString(source).replace(QLatin1Char('/'), Corvane::Platform::Paths::separator()));
        record->setArchiveFilename(file.archiveName);
        record->setDuplicateArchiveFileExists(file.duplicate);
        records->add(record->SourceFilename(), record);
    }
    return records;
}

// Rows in display order as "name:source-number:checked".
QStringList rowsOf(const QTreeWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        const QString folder = row->text(1).section(Corvane::Platform::Paths::separator(), 2, 2);
        rows << QStringLiteral("%1:%2:%3")
                    .arg(row->text(0), folder, row->checkState(0) == Qt::Checked ? "x" : "-");
    }
    return rows;
}

int px(float twips)
{
    return Twips::toPixels(twips);
}

} // namespace

// Receives the folders the dialog asks the shell to open.
class FolderOpener : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class tst_frmEditArchiveDuplicates : public QObject
{
    Q_OBJECT

private:
    std::optional<FakeHost::Host> m_host;
    FakeHost::Host &host() { return *m_host; }

    // Shows the dialog over the records; whileOpen runs once it is displayed
    // and must close it.
    qint16 runDialog(const std::shared_ptr<ArchiveFileCollection> &records,
                     const std::function<void(frmEditArchiveDuplicates &)> &whileOpen)
    {
        frmEditArchiveDuplicates dialog;
        dialog.setArchiveFiles(records);
        bool ran = false;
        QTimer::singleShot(0, &dialog, [&] {
            ran = true;
            whileOpen(dialog);
            if (dialog.isVisible())
                dialog.findChild<QPushButton *>("cmdCancelPublishing")->click();
        });
        const qint16 result = dialog.DoModal();
        [&] { QVERIFY(ran); }();
        return result;
    }

    QVariant stored(const QString &key) const { return m_host->database.setting(kSettings, key); }

private slots:
    void initTestCase() { QApplication::setDesktopSettingsAware(false); }

    void init()
    {
        m_host.emplace();
        Brimble::ResourceManager::ResetTranslatorForTests();
        AM::SetApplication(&host().application);
    }

    void cleanup()
    {
        AM::SetApplication(nullptr);
        Brimble::ResourceManager::ResetTranslatorForTests();
        Brimble::VBDebug::SetDebugFlag(false);
        m_host.reset();
    }

    void defaultChoice_data()
    {
        QTest::addColumn<FileRows>("files");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("two of one name, a third not shown")
            << FileRows{{"index.htm", true}, {"index.htm", true}, {"other.htm", false}}
            << QStringList{"index.htm:f1:x", "index.htm:f2:-"};
        QTest::newRow("three of one name: one checked")
            << FileRows{{"a.htm", true}, {"a.htm", true}, {"a.htm", true}}
            << QStringList{"a.htm:f1:x", "a.htm:f2:-", "a.htm:f3:-"};
        QTest::newRow("names differing in case are both checked")
            << FileRows{{"index.htm", true}, {"Index.htm", true}}
            << QStringList{"Index.htm:f2:x", "index.htm:f1:x"};
        QTest::newRow("groups in name order, first of each group in collection order")
            << FileRows{{"b.htm", true},
                        {"a.htm", true},
                        {"b.htm", true},
                        {"A.htm", true},
                        {"a.htm", true}}
            << QStringList{"A.htm:f4:x", "a.htm:f2:x", "a.htm:f5:-", "b.htm:f1:x", "b.htm:f3:-"};
        QTest::newRow("subfolder names sort with the rest")
            << FileRows{{"img/a.gif", true}, {"css/a.css", true}, {"img/a.gif", true}}
            << QStringList{"css/a.css:f2:x", "img/a.gif:f1:x", "img/a.gif:f3:-"};
    }

    void defaultChoice()
    {
        QFETCH(FileRows, files);
        QFETCH(QStringList, rows);
        runDialog(makeRecords(files), [&](frmEditArchiveDuplicates &dialog) {
            QCOMPARE(rowsOf(dialog.findChild<QTreeWidget *>("lvArchiveFiles")), rows);
        });
    }

    void closing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("written");
        QTest::newRow("Continue writes the choice") << "continue" << 1 << true;
        QTest::newRow("Enter presses Continue") << "enter" << 1 << true;
        QTest::newRow("Cancel changes nothing") << "cancel" << 2 << false;
        QTest::newRow("Escape presses Cancel") << "escape" << 2 << false;
        QTest::newRow("close box changes nothing") << "close" << 0 << false;
    }

    void closing()
    {
        QFETCH(QString, how);
        QFETCH(int, result);
        QFETCH(bool, written);
        const auto records = makeRecords(
            {{"index.htm", true}, {"index.htm", true}, {"index.htm", true}, {"x.htm", false}});
        // Flags that a write-back must overwrite and that the others must keep.
        records->at(0)->setIsExcluded(true);
        records->at(3)->setIsExcluded(true);

        const qint16 code = runDialog(records, [&](frmEditArchiveDuplicates &dialog) {
            auto *list = dialog.findChild<QTreeWidget *>("lvArchiveFiles");
            // The user includes the third file as well: f1 and f3 checked, f2 not.
            list->topLevelItem(2)->setCheckState(0, Qt::Checked);
            if (how == "continue")
                dialog.findChild<QPushButton *>("cmdContinuePublishing")->click();
            else if (how == "cancel")
                dialog.findChild<QPushButton *>("cmdCancelPublishing")->click();
            else if (how == "enter")
                QTest::keyClick(&dialog, Qt::Key_Return);
            else if (how == "escape")
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
        });
        QCOMPARE(code, qint16(result));
        const QList<bool> expected =
            written ? QList<bool>{false, true, false, true} : QList<bool>{true, false, false, true};
        QList<bool> excluded;
        for (const auto &entry : *records)
            excluded << entry.second->IsExcluded();
        QCOMPARE(excluded, expected);
    }

    void loadsTextsAndWritesTheTodoLine()
    {
        host().translations = {{"frmEditArchiveDuplicates.Caption", "Clashing names"},
                               {"frmEditArchiveDuplicates.lblDescription", "Choose"},
                               {"frmEditArchiveDuplicates.cmdContinuePublishing", "Continue"},
                               {"frmEditArchiveDuplicates.chArchiveName", "Name"}};
        Brimble::VBDebug::SetDebugFlag(true);
        FakeHost::DebugCapture capture;
        runDialog(makeRecords({{"a.htm", true}, {"a.htm", true}}),
                  [](frmEditArchiveDuplicates &dialog) {
                      QCOMPARE(dialog.windowTitle(), QStringLiteral("Clashing names"));
                      QCOMPARE(dialog.findChild<QLabel *>("lblDescription")->text(),
                               QStringLiteral("Choose"));
                      QCOMPARE(dialog.findChild<QPushButton *>("cmdContinuePublishing")->text(),
                               QStringLiteral("Continue"));
                      // No translation: the bare key.
                      QCOMPARE(dialog.findChild<QPushButton *>("cmdCancelPublishing")->text(),
                               QStringLiteral("cmdCancelPublishing"));
                      const QTreeWidgetItem *header =
                          dialog.findChild<QTreeWidget *>("lvArchiveFiles")->headerItem();
                      QCOMPARE(header->text(0), QStringLiteral("Name"));
                      QCOMPARE(header->text(1), QStringLiteral("chSourceFilename"));
                  });
        QVERIFY(capture.lines.contains(
            "*** TODO: frmEditArchiveDuplicates.Form_Load set icons for files\r\n"));
    }

    void noSettingsOpensAtDesignSize()
    {
        runDialog(makeRecords({{"a.htm", true}, {"a.htm", true}}),
                  [&](frmEditArchiveDuplicates &dialog) {
                      auto *list = dialog.findChild<QTreeWidget *>("lvArchiveFiles");
                      QCOMPARE(dialog.size(), QSize(px(8085), px(5055)));
                      QCOMPARE(list->columnWidth(0), px(2300));
                      QCOMPARE(list->geometry(), QRect(px(120), px(600), px(7815), px(3855)));
                      // Column 2 follows the list as it was before the first layout.
                      const float c1 = Twips::fromPixels(px(2300));
                      QCOMPARE(list->columnWidth(1), px(7815 - (c1 + 300)));
                  });
        // The first display lays out and stores the four values.
        const float c1 = Twips::fromPixels(px(2300));
        QCOMPARE(stored("Width").toInt(), 8085 + 120);
        QCOMPARE(stored("Height").toInt(), 5055 + 450);
        QCOMPARE(stored("lva-1").toInt(), qRound(c1));
        QCOMPARE(stored("lva-2").toInt(), qRound(7815 - (c1 + 300)));
    }

    void storedWindowSizeIsUsed()
    {
        host().database.setSetting(kSettings, "Width", 9405);
        host().database.setSetting(kSettings, "Height", "6000");
        runDialog(makeRecords({{"a.htm", true}, {"a.htm", true}}),
                  [&](frmEditArchiveDuplicates &dialog) {
                      QCOMPARE(dialog.size(), QSize(px(9405 - 120), px(6000 - 450)));
                      QCOMPARE(dialog.findChild<QTreeWidget *>("lvArchiveFiles")->geometry(),
                               QRect(px(120), px(600), px(9405 - 390), px(6000 - 1650)));
                      QCOMPARE(dialog.findChild<QLabel *>("lblDescription")->geometry(),
                               QRect(px(120), px(120), px(9405 - 390), px(495)));
                      QCOMPARE(dialog.findChild<QPushButton *>("cmdContinuePublishing")->geometry(),
                               QRect(px(9405 - 2790), px(6000 - 895), px(1215), px(375)));
                      QCOMPARE(dialog.findChild<QPushButton *>("cmdCancelPublishing")->geometry(),
                               QRect(px(9405 - 1455), px(6000 - 895), px(1215), px(375)));
                  });
        QCOMPARE(stored("Width").toInt(), 9405);
        QCOMPARE(stored("Height").toInt(), 6000);
    }

    void storedColumnWidths_data()
    {
        // Widths in twips; -1 stands for the list view's default width. Column 2
        // as loaded stays visible only when the first layout's own width for it
        // (list width - column 1 - 300) is negative and so ignored.
        QTest::addColumn<QVariant>("lva1");
        QTest::addColumn<QVariant>("lva2");
        QTest::addColumn<int>("column1");
        QTest::addColumn<int>("loaded2");
        QTest::newRow("column 1 as stored") << QVariant(3000) << QVariant(100) << 3000 << 100;
        QTest::newRow("negative column 1 ignored") << QVariant(-15) << QVariant(100) << -1 << 100;
        QTest::newRow("column 1 wider than the design list ignored")
            << QVariant(7830) << QVariant(100) << -1 << 100;
        QTest::newRow("column 1 as wide as the design list")
            << QVariant(7815) << QVariant(4000) << 7815 << 4000;
        QTest::newRow("negative column 2 ignored")
            << QVariant(7815) << QVariant(-300) << 7815 << -1;
        QTest::newRow("column 2 wider than the design list ignored")
            << QVariant(7815) << QVariant(7816) << 7815 << -1;
        QTest::newRow("stored as text") << QVariant("7815") << QVariant("2000") << 7815 << 2000;
    }

    void storedColumnWidths()
    {
        QFETCH(QVariant, lva1);
        QFETCH(QVariant, lva2);
        QFETCH(int, column1);
        QFETCH(int, loaded2);
        host().database.setSetting(kSettings, "lva-1", lva1);
        host().database.setSetting(kSettings, "lva-2", lva2);
        runDialog(makeRecords({}), [&](frmEditArchiveDuplicates &dialog) {
            auto *list = dialog.findChild<QTreeWidget *>("lvArchiveFiles");
            const int defaultWidth = list->header()->defaultSectionSize();
            const int c1 = column1 < 0 ? defaultWidth : px(column1);
            QCOMPARE(list->columnWidth(0), c1);
            const float c2 = 7815 - (Twips::fromPixels(c1) + 300);
            QCOMPARE(list->columnWidth(1),
                     c2 >= 0 ? px(c2) : (loaded2 < 0 ? defaultWidth : px(loaded2)));
        });
    }

    void unreadableStoredWidthFailsTheLoad()
    {
        host().database.setSetting(kSettings, "lva-1", "wide");
        frmEditArchiveDuplicates dialog;
        dialog.setArchiveFiles(makeRecords({{"a.htm", true}, {"a.htm", true}}));
        try {
            dialog.DoModal();
            QFAIL("the load went on with a width that is no number");
        } catch (const Corvane::Platform::RuntimeError &error) {
            QCOMPARE(error.number(), Corvane::Platform::ErrorNumber::TypeMismatch);
            QVERIFY2(error.description().contains("lva-1"), qPrintable(error.description()));
        }
        QVERIFY(!dialog.isVisible());
    }

    void resizeLaysOutAndStores()
    {
        runDialog(makeRecords({{"a.htm", true}, {"a.htm", true}}),
                  [&](frmEditArchiveDuplicates &dialog) {
                      auto *list = dialog.findChild<QTreeWidget *>("lvArchiveFiles");
                      list->setColumnWidth(0, px(3000));
                      const float listBefore = Twips::fromPixels(list->width());
                      dialog.resize(px(9885), px(6555));
                      QTRY_COMPARE(dialog.size(), QSize(px(9885), px(6555)));
                      const float W = 9885 + 120, H = 6555 + 450;
                      QTRY_COMPARE(list->width(), px(W - 390));
                      QCOMPARE(list->height(), px(H - 1650));
                      QCOMPARE(dialog.findChild<QLabel *>("lblDescription")->width(), px(W - 390));
                      QCOMPARE(stored("Width").toInt(), int(W));
                      QCOMPARE(stored("Height").toInt(), int(H));
                      QCOMPARE(stored("lva-1").toInt(), 3000);
                      QCOMPARE(stored("lva-2").toFloat(), listBefore - 3300);
                      // Column 2 catches up with the new width at the next pass.
                      QCOMPARE(list->columnWidth(1), px(listBefore - 3300));
                  });
    }

    void cannotBeMadeTooSmallForTheLayout()
    {
        runDialog(makeRecords({{"a.htm", true}, {"a.htm", true}}),
                  [&](frmEditArchiveDuplicates &dialog) {
                      dialog.resize(1, 1);
                      QTRY_VERIFY(dialog.width() < px(8085));
                      QVERIFY(dialog.OuterWidth() >= 2 * 1215 + 360 - 0.5f);
                      QVERIFY(dialog.OuterHeight() >= 375 + 495 + 780 - 0.5f);
                      auto *cont = dialog.findChild<QPushButton *>("cmdContinuePublishing");
                      QVERIFY(cont->x() >= 0);
                      QVERIFY(cont->y() >= 0);
                      QVERIFY(dialog.findChild<QTreeWidget *>("lvArchiveFiles")->height() >= 0);
                  });
    }

    void doubleClickOpensTheFolderOfTheRow()
    {
        FolderOpener opener;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "open");
        const auto records = makeRecords({{"b.htm", true}, {"a.htm", true}, {"a.htm", true}});
        runDialog(records, [&](frmEditArchiveDuplicates &dialog) {
            auto *list = dialog.findChild<QTreeWidget *>("lvArchiveFiles");
            list->clearSelection();
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                               QPoint(5, list->viewport()->height() - 2));
            QCOMPARE(opener.opened.size(), 0);
            // The second row in display order is a.htm of folder f3.
            const QRect second = list->visualItemRect(list->topLevelItem(1));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
        });
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(opener.opened.size(), 1);
        QCOMPARE(opener.opened.at(0), QUrl::fromLocalFile(records->at(2)->SourcePath()));
    }
};

QTEST_MAIN(tst_frmEditArchiveDuplicates)
#include "tst_frmeditarchiveduplicates.moc"
