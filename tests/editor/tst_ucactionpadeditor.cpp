// The action pad page itself: its controls, captions, icon and its
// property-page contract. The publish behind its button: tst_publishflow.
#include "editor/ucactionpadeditor.h"

#include "editortestsupport.h"

#include "platform/latebinding.h"

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <optional>

using Brimble::ucActionPadEditor;
using Corvane::Platform::LateBinding::call;
using Translations = QHash<QString, QString>;

namespace {

const Translations kEditorTexts = {
    {"ActionPadEditor.frmPublish", "Publish action pads"},
    {"ActionPadEditor.lblPublishHelp", "Packs every file of the action pads into the database."},
    {"ActionPadEditor.lblStatus", "Ready."},
    {"ActionPadEditor.cmdPublishActionPads", "Publish"},
    {"ActionPadEditor.Caption", "Action pads"},
    {"ActionPadEditor.Description", "Publishes the action pads of the open database"},
};

QString text(const QWidget *control)
{
    if (const auto *box = qobject_cast<const QGroupBox *>(control))
        return box->title();
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    return qobject_cast<const QPushButton *>(control)->text();
}

} // namespace

class tst_ucActionPadEditor : public QObject
{
    Q_OBJECT

private:
    std::optional<EditorTest::ConnectedHost> m_connected;
    FakeHost::Host &host() { return m_connected->host; }

    // A real publish of whatever the fake database holds, to its end.
    void publish(ucActionPadEditor &page)
    {
        page.findChild<QPushButton *>(QStringLiteral("cmdPublishActionPads"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(page.PublishOutcome() != QLatin1String("running"), 30000);
        QCOMPARE(page.PublishOutcome(), QStringLiteral("published"));
    }

private slots:
    void init() { m_connected.emplace(); }
    void cleanup() { m_connected.reset(); }

    void captionsComeFromTheTextsWhenShown_data()
    {
        QTest::addColumn<Translations>("translations");
        QTest::addColumn<QStringList>(
            "expected"); // frame, help, status, button, caption, description

        QTest::newRow("no translation: the bare keys")
            << Translations{}
            << QStringList{"frmPublish",           "lblPublishHelp", "lblStatus",
                           "cmdPublishActionPads", "Caption",        "Description"};
        QTest::newRow("translated")
            << kEditorTexts << QStringList{kEditorTexts["ActionPadEditor.frmPublish"],
                                           kEditorTexts["ActionPadEditor.lblPublishHelp"],
                                           kEditorTexts["ActionPadEditor.lblStatus"],
                                           kEditorTexts["ActionPadEditor.cmdPublishActionPads"],
                                           kEditorTexts["ActionPadEditor.Caption"],
                                           kEditorTexts["ActionPadEditor.Description"]};
        QTest::newRow("keys of another section do not count")
            << Translations{{"frmPublish", "wrong"}, {"frmActionPadProperties.Caption", "wrong"}}
            << QStringList{"frmPublish",           "lblPublishHelp", "lblStatus",
                           "cmdPublishActionPads", "Caption",        "Description"};
    }

    void captionsComeFromTheTextsWhenShown()
    {
        QFETCH(Translations, translations);
        QFETCH(QStringList, expected);
        host().translations = translations;

        ucActionPadEditor page;
        page.show();

        const QStringList controls{"frmPublish", "lblPublishHelp", "lblStatus",
                                   "cmdPublishActionPads"};
        for (qsizetype i = 0; i < controls.size(); ++i)
            QCOMPARE(text(page.findChild<QWidget *>(controls.at(i))), expected.at(i));
        QCOMPARE(call(&page, "PropertyPage_Caption").toString(), expected.at(4));
        QCOMPARE(call(&page, "PropertyPage_Description").toString(), expected.at(5));
        auto *contract = qobject_cast<Corvane::Host::IPropertyPage *>(&page);
        QVERIFY(contract);
        QCOMPARE(contract->Caption(), expected.at(4));
        QCOMPARE(contract->Description(), expected.at(5));
    }

    void showingAgainResetsTheStatus()
    {
        host().translations = kEditorTexts;
        ucActionPadEditor page;
        page.show();
        auto *status = page.findChild<QLabel *>(QStringLiteral("lblStatus"));

        publish(page);
        QCOMPARE(status->text(), QStringLiteral("ActionPadsPublished"));
        page.hide();
        page.show();
        QCOMPARE(status->text(), QStringLiteral("Ready."));
    }

    void operationsChangeNothingAndThePageIsNeverDirty_data()
    {
        QTest::addColumn<QByteArray>("member");
        for (const char *member : {"PropertyPage_Activate", "PropertyPage_Apply",
                                   "PropertyPage_Cancel", "PropertyPage_Deactivate", "Test"})
            QTest::newRow(member) << QByteArray(member);
    }

    void operationsChangeNothingAndThePageIsNeverDirty()
    {
        QFETCH(QByteArray, member);
        host().translations = kEditorTexts;
        ucActionPadEditor page;
        page.show();
        auto *status = page.findChild<QLabel *>(QStringLiteral("lblStatus"));

        QCOMPARE(call(&page, "PropertyPage_Dirty").toBool(), false);
        qsizetype calls = host().log.lines.size();
        call(&page, member.constData());
        QCOMPARE(host().log.lines.size(), calls);
        QCOMPARE(status->text(), QStringLiteral("Ready."));
        QVERIFY(!host().database.hasStoredFile);

        publish(page);
        const QByteArray stored = host().database.storedFile;
        const auto attributes = host().database.fileAttributes;
        const QString statusAfterPublish = status->text();
        QCOMPARE(call(&page, "PropertyPage_Dirty").toBool(), false);

        calls = host().log.lines.size();
        call(&page, member.constData());
        QCOMPARE(host().log.lines.size(), calls);
        QCOMPARE(host().database.storedFile, stored);
        QCOMPARE(host().database.fileAttributes, attributes);
        QCOMPARE(status->text(), statusAfterPublish);
        QCOMPARE(call(&page, "PropertyPage_Dirty").toBool(), false);
    }

    void iconIsTheActionPadPicture_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::newRow("host connected") << true;
        QTest::newRow("without a host") << false;
    }

    void iconIsTheActionPadPicture()
    {
        QFETCH(bool, connected);
        if (!connected)
            m_connected.reset();
        ucActionPadEditor page;

        const QIcon icon = qvariant_cast<QIcon>(call(&page, "PropertyPage_Icon"));
        QVERIFY(!icon.isNull());
        const QImage image = icon.pixmap(32, 32).toImage();
        QCOMPARE(image.size(), QSize(32, 32));
        // Transparent around the page, drawn inside it.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(image.pixelColor(10, 10), QColor(0x2F, 0x6D, 0xB5));
    }
};

QTEST_MAIN(tst_ucActionPadEditor)
#include "tst_ucactionpadeditor.moc"
