// The action pad page: its contract and how it wires the publish to its
// controls; the publish itself: tst_actionpadpublisher.
#include "editor/ucactionpadeditor.h"

#include "editortestsupport.h"

#include "publish/actionpadarchiver.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <optional>

using Brimble::ucActionPadEditor;

class tst_ucActionPadEditor : public QObject
{
    Q_OBJECT

private:
    std::optional<AddinTest::Fixture> m_fixture;

private slots:
    void init()
    {
        m_fixture.emplace();
        m_fixture->host.translations = {{"ActionPadEditor.lblStatus", "Ready."}};
    }
    void cleanup() { m_fixture.reset(); }

    // The button is disabled while the archiver works, the label shows every
    // status, and showing the page again resets it.
    void thePublishDrivesTheControls()
    {
        ucActionPadEditor page;
        page.show();
        auto *status = page.findChild<QLabel *>("lblStatus");
        auto *button = page.findChild<QPushButton *>("cmdPublishActionPads");
        QSignalSpy statuses(&page, &ucActionPadEditor::StatusChanged);
        QSignalSpy outcomes(&page, &ucActionPadEditor::PublishOutcomeChanged);
        button->click();
        QVERIFY(!button->isEnabled());
        emit page.findChild<Brimble::ActionPadArchiver *>()->EnterState("Packing");
        QCOMPARE(status->text(), QStringLiteral("Packing"));
        QTRY_COMPARE_WITH_TIMEOUT(page.property("PublishOutcome").toString(),
                                  QStringLiteral("published"), 30000);
        QVERIFY(button->isEnabled());
        QCOMPARE(status->text(), QStringLiteral("ActionPadsPublished"));
        QCOMPARE(statuses.last().at(0).toString(), status->text());
        QCOMPARE(outcomes.first().at(0).toString(), QStringLiteral("running"));
        page.hide();
        page.show();
        QCOMPARE(status->text(), QStringLiteral("Ready."));
        QCOMPARE(statuses.last().at(0).toString(), QStringLiteral("ActionPadsPublished"));
    }
};

QTEST_MAIN(tst_ucActionPadEditor)
#include "tst_ucactionpadeditor.moc"
