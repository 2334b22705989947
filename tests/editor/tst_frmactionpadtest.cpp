// The developer's test form: it hosts the page and shows what the page's
// property-page contract answers.
#include "editor/frmactionpadtest.h"

#include "editor/ucactionpadeditor.h"
#include "editortestsupport.h"

#include "platform/componentregistry.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <optional>

using Brimble::frmActionPadTest;
using Corvane::Platform::ComponentRegistry;

class tst_frmActionPadTest : public QObject
{
    Q_OBJECT

private:
    std::optional<EditorTest::ConnectedHost> m_connected;
    FakeHost::Host &host() { return m_connected->host; }

    static QString label(const frmActionPadTest &form, const char *name)
    {
        return form.findChild<QLabel *>(QLatin1String(name))->text();
    }

private slots:
    void init()
    {
        m_connected.emplace();
        host().translations = {{"ActionPadEditor.Caption", "Action pads"},
                               {"ActionPadEditor.Description", "Publishes the action pads"}};
    }

    void cleanup()
    {
        ComponentRegistry::instance().unregisterFactory(
            QLatin1String(frmActionPadTest::PageClassId));
        m_connected.reset();
    }

    void loadingShowsWhatThePageAnswers()
    {
        frmActionPadTest form;
        form.show();

        QCOMPARE(form.windowTitle(), QStringLiteral("actionpad test"));
        QCOMPARE(label(form, "lblCaption"), QStringLiteral("Action pads"));
        QCOMPARE(label(form, "lblDescription"), QStringLiteral("Publishes the action pads"));
        QCOMPARE(label(form, "lblIsDrity"), QStringLiteral("False"));
        QCOMPARE(label(form, "Label1"), QStringLiteral("caption:"));
        const QPixmap icon = form.findChild<QLabel *>(QStringLiteral("pcIcon"))->pixmap();
        QCOMPARE(icon.size(), QSize(32, 32));
        // The page is a control of the form, shown with its own captions.
        QCOMPARE(form.page()->parentWidget(), &form);
        QVERIFY(form.page()->isVisible());
    }

    void thePageStaysCleanWhateverIsPressed_data()
    {
        QTest::addColumn<QString>("button");
        for (const char *button : {"cmdActivate", "cmdApply", "cmdCancel", "cmdDeactivate"})
            QTest::newRow(button) << QString::fromLatin1(button);
    }

    void thePageStaysCleanWhateverIsPressed()
    {
        QFETCH(QString, button);
        frmActionPadTest form;
        auto *isDirty = form.findChild<QLabel *>(QStringLiteral("lblIsDrity"));
        isDirty->clear();

        form.findChild<QPushButton *>(button)->click();
        QCOMPARE(isDirty->text(), QString()); // only "is dirty?" updates the label
        form.findChild<QPushButton *>(QStringLiteral("cmdIsDirty"))->click();
        QCOMPARE(isDirty->text(), QStringLiteral("False"));
    }

    void thePageComesFromTheRegistryWhenRegistered_data()
    {
        QTest::addColumn<bool>("registered");
        QTest::newRow("registered: created by class identifier") << true;
        QTest::newRow("not registered: constructed directly") << false;
    }

    void thePageComesFromTheRegistryWhenRegistered()
    {
        QFETCH(bool, registered);
        int created = 0;
        if (registered)
            ComponentRegistry::instance().registerFactory(
                QLatin1String(frmActionPadTest::PageClassId), [&created] {
                    ++created;
                    auto *page = new Brimble::ucActionPadEditor;
                    page->setProperty("fromRegistry", true);
                    return page;
                });

        frmActionPadTest form;
        QCOMPARE(created, registered ? 1 : 0);
        QVERIFY(qobject_cast<Brimble::ucActionPadEditor *>(form.page()));
        QCOMPARE(form.page()->property("fromRegistry").toBool(), registered);
        QCOMPARE(form.page()->objectName(), QStringLiteral("ucActionPadEditor"));
    }

    void quitClosesTheForm()
    {
        frmActionPadTest form;
        form.show();
        form.findChild<QPushButton *>(QStringLiteral("cmdQuit"))->click();
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(tst_frmActionPadTest)
#include "tst_frmactionpadtest.moc"
