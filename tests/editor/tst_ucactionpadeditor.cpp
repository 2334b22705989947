// The action pad page's own contract; the publish behind its button: tst_publishflow.
#include "editor/ucactionpadeditor.h"

#include "editortestsupport.h"

#include <QLabel>
#include <QPushButton>
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
        m_fixture->host.translations = {{"ActionPadEditor.lblStatus", "Ready."},
                                        {"ActionPadEditor.Caption", "Action pads"},
                                        {"ActionPadEditor.Description", "Publishes them"}};
    }
    void cleanup() { m_fixture.reset(); }

    void captionDescriptionAndIcon_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::newRow("host connected: translated") << true;
        QTest::newRow("without a host: the bare keys, the library's own icon") << false;
    }

    void captionDescriptionAndIcon()
    {
        QFETCH(bool, connected);
        if (!connected)
            m_fixture.emplace(false);
        ucActionPadEditor page;
        const Corvane::Host::IPropertyPage &contract = page;
        QCOMPARE(contract.Caption(), connected ? "Action pads" : "Caption");
        QCOMPARE(contract.Description(), connected ? "Publishes them" : "Description");
        QCOMPARE(contract.Icon().pixmap(32, 32).size(), QSize(32, 32));
        QVERIFY(!contract.Dirty());
    }

    void showingAgainResetsTheStatus()
    {
        ucActionPadEditor page;
        page.show();
        auto *status = page.findChild<QLabel *>("lblStatus");
        page.findChild<QPushButton *>("cmdPublishActionPads")->click();
        QTRY_COMPARE_WITH_TIMEOUT(page.PublishOutcome(), QStringLiteral("published"), 30000);
        QCOMPARE(status->text(), QStringLiteral("ActionPadsPublished"));
        page.hide();
        page.show();
        QCOMPARE(status->text(), QStringLiteral("Ready."));
    }
};

QTEST_MAIN(tst_ucActionPadEditor)
#include "tst_ucactionpadeditor.moc"
