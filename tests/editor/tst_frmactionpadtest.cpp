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

    std::optional<AddinTest::Fixture> m_fixture;

    static QString label(const frmActionPadTest &form, const char *name)
    {
        return form.findChild<QLabel *>(QLatin1String(name))->text();
    }

private slots:
    void init()
    {
        m_fixture.emplace();
        m_fixture->host.translations = {
            {"ActionPadEditor.Caption", "Action pads"},
            {"ActionPadEditor.Description", "Publishes the action pads"}};
    }

    void cleanup()
    {
        ComponentRegistry::instance().unregisterFactory(
            QLatin1String(frmActionPadTest::PageClassId));
        m_fixture.reset();
    }

    void loadingShowsWhatThePageAnswers()
    {
        frmActionPadTest form;
        form.show();
        form.findChild<QPushButton *>(QStringLiteral("cmdApply"))->click();
        QCOMPARE(label(form, "lblCaption"), QStringLiteral("Action pads"));
        QCOMPARE(label(form, "lblDescription"), QStringLiteral("Publishes the action pads"));
        QCOMPARE(label(form, "lblIsDrity"), QStringLiteral("False"));
        QCOMPARE(form.findChild<QLabel *>(QStringLiteral("pcIcon"))->pixmap().size(),
                 QSize(32, 32));
        QCOMPARE(form.page()->parentWidget(), &form);
        QVERIFY(form.page()->isVisible());
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
    }
};

QTEST_MAIN(tst_frmActionPadTest)
#include "tst_frmactionpadtest.moc"
