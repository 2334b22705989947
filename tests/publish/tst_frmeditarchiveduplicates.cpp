#include "publish/frmeditarchiveduplicates.h"

#include "../datarows.h"
#include "tests/addin/addintestsupport.h"

#include "platform/twips.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <optional>

using Brimble::ArchiveFileCollection;
using Brimble::frmEditArchiveDuplicates;
namespace Twips = Corvane::Platform::Twips;
using namespace DataRows;

namespace {

const QString kSettings = "Addins\\CorvaneAdministration\\frmEditArchiveDuplicates";

// One record per "name" ("name*": no duplicate), from the folders /web/f1, /web/f2 ...
std::shared_ptr<ArchiveFileCollection> makeRecords(const QStringList &names)
{
    auto records = std::make_shared<ArchiveFileCollection>();
    for (QString name : names) {
        Brimble::ArchiveRecord record;
        record.setDuplicateArchiveFileExists(!name.endsWith('*'));
        name.remove('*');
        record.setSourceFilename(
            QDir::toNativeSeparators(QStringLiteral("/web/f%1/").arg(records->count() + 1) + name));
        record.setArchiveFilename(name);
        records->add(record);
    }
    return records;
}

QTreeWidget *listOf(QWidget &dialog)
{
    return dialog.findChild<QTreeWidget *>("lvArchiveFiles");
}

} // namespace

class tst_frmEditArchiveDuplicates : public QObject
{
    Q_OBJECT

private:
    std::optional<AddinTest::Fixture> m_fixture;

    // Shows the dialog; whileOpen runs once it is displayed and should close it.
    qint16 runDialog(const std::shared_ptr<ArchiveFileCollection> &records,
                     const std::function<void(frmEditArchiveDuplicates &)> &whileOpen)
    {
        frmEditArchiveDuplicates dialog;
        dialog.setArchiveFiles(records);
        QTimer::singleShot(0, &dialog, [&] {
            whileOpen(dialog);
            if (dialog.isVisible())
                dialog.findChild<QPushButton *>("cmdCancelPublishing")->click();
        });
        return dialog.DoModal();
    }

    QVariant stored(const QString &key) { return m_fixture->host.database.setting(kSettings, key); }

private slots:
    void initTestCase() { QApplication::setDesktopSettingsAware(false); }
    void init() { m_fixture.emplace(); }
    void cleanup() { m_fixture.reset(); }

    void defaultChoice_data()
    {
        // Records ("name*": no clash) from folders f1, f2 ...; rows shown as "name:folder:checked".
        columns<QString, QString>({"files", "rows"});
        row("three of one name, a fourth not shown", "a.htm a.htm o.htm* a.htm",
            "a.htm:f1:x a.htm:f2:- a.htm:f4:-");
        row("groups in name order, first of each group in collection order",
            "b.htm a.htm b.htm A.htm a.htm",
            "A.htm:f4:x a.htm:f2:- a.htm:f5:- b.htm:f1:x b.htm:f3:-");
        row("subfolder names sort with the rest", "img/a.gif css/a.css img/a.gif",
            "css/a.css:f2:x img/a.gif:f1:x img/a.gif:f3:-");
    }

    void defaultChoice()
    {
        QFETCH(QString, files);
        QFETCH(QString, rows);
        QStringList shown;
        runDialog(makeRecords(words(files)), [&](frmEditArchiveDuplicates &dialog) {
            for (int i = 0; i < listOf(dialog)->topLevelItemCount(); ++i) {
                const QTreeWidgetItem *item = listOf(dialog)->topLevelItem(i);
                shown << item->text(0) + ':' + item->text(1).section(QDir::separator(), 2, 2) +
                             ':' + (item->checkState(0) == Qt::Checked ? 'x' : '-');
            }
        });
        QCOMPARE(shown, words(rows));
    }

    void closing_data()
    {
        columns<QString, int, bool>({"how", "result", "written"});
        row("Enter presses Continue, which writes the choice", "enter", 1, true);
        row("Escape presses Cancel, which changes nothing", "escape", 2, false);
        row("close box changes nothing", "close", 0, false);
    }

    void closing()
    {
        QFETCH(QString, how);
        QFETCH(int, result);
        QFETCH(bool, written);
        const auto records = makeRecords({"index.htm", "index.htm", "index.htm", "x.htm*"});
        // Flags that a write-back must overwrite and that the others must keep.
        records->at(0).setIsExcluded(true);
        records->at(3).setIsExcluded(true);

        const qint16 code = runDialog(records, [&](frmEditArchiveDuplicates &dialog) {
            // The user includes the third file as well: f1 and f3 checked, f2 not.
            listOf(dialog)->topLevelItem(2)->setCheckState(0, Qt::Checked);
            if (how == "close")
                dialog.close();
            else
                QTest::keyClick(&dialog, how == "enter" ? Qt::Key_Return : Qt::Key_Escape);
        });
        QCOMPARE(code, qint16(result));
        QList<bool> excluded;
        for (const Brimble::ArchiveRecord &record : *records)
            excluded << record.IsExcluded();
        QCOMPARE(excluded, (written ? QList<bool>{false, true, false, true}
                                    : QList<bool>{true, false, false, true}));
    }

    void windowSizeIsRestoredAndStored_data()
    {
        columns<QVariant, QVariant, int, int>({"width", "height", "outerWidth", "outerHeight"});
        row("no settings: the design size", QVariant(), QVariant(), 8085 + 120, 5055 + 450);
        row("stored size, a number and a text", QVariant(9405), QVariant("6000"), 9405, 6000);
    }

    void windowSizeIsRestoredAndStored()
    {
        QFETCH(QVariant, width);
        QFETCH(QVariant, height);
        QFETCH(int, outerWidth);
        QFETCH(int, outerHeight);
        for (const auto &[key, value] : {std::pair{"Width", width}, std::pair{"Height", height}})
            if (value.isValid())
                m_fixture->host.database.setSetting(kSettings, key, value);
        float column1 = 0;
        runDialog(makeRecords({"a.htm", "a.htm"}), [&](frmEditArchiveDuplicates &dialog) {
            QCOMPARE(dialog.size(),
                     QSize(Twips::toPixels(outerWidth - 120), Twips::toPixels(outerHeight - 450)));
            column1 = Twips::fromPixels(listOf(dialog)->columnWidth(0));
        });
        QCOMPARE(QList<int>(
                     {stored("Width").toInt(), stored("Height").toInt(), stored("lva-1").toInt()}),
                 QList<int>({outerWidth, outerHeight, qRound(column1)}));
    }
};

QTEST_MAIN(tst_frmEditArchiveDuplicates)
#include "tst_frmeditarchiveduplicates.moc"
