// The configuration dialog with pages from an in-process add-in: how it takes pages,
// what a failing BeforeConfigure shows, and what its buttons do to every page.
#include "../datarows.h"
#include "../fakehost/debugcapture.h"
#include "testaddin.h"
#include "unattendedcapture.h"

#include "host/impl/addinmanager.h"
#include "host/impl/configurationdialog.h"
#include "platform/componentregistry.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace Corvane;
using namespace DataRows;

class tst_ConfigurationDialog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_emptyAddinFolder;
    std::unique_ptr<Host::Application> m_application;
    std::unique_ptr<Host::AddinManager> m_addins;
    std::unique_ptr<FakeHost::DebugCapture> m_capture;
    std::unique_ptr<HostTest::UnattendedCapture> m_unattended;

    // Connects the test add-in through the add-in manager; gives the dialog it then fills.
    std::unique_ptr<Host::ConfigurationDialog> dialogWith(const HostTest::AddinBehaviour &b)
    {
        Platform::ComponentRegistry::instance().registerFactory(
            "HostTest.Addin", [b] { return new HostTest::TestAddin(b); });
        [&] { QVERIFY(m_addins->connectAddin("HostTest.Addin")); }();
        return std::make_unique<Host::ConfigurationDialog>(*m_application);
    }

private slots:
    void init()
    {
        m_application = std::make_unique<Host::Application>();
        m_addins = std::make_unique<Host::AddinManager>(*m_application,
                                                        QStringList{m_emptyAddinFolder.path()});
        m_capture = std::make_unique<FakeHost::DebugCapture>();
        m_unattended = std::make_unique<HostTest::UnattendedCapture>(*m_application);
    }

    void cleanup()
    {
        m_addins.reset();
        m_unattended.reset();
        m_application.reset();
        m_capture.reset();
        Platform::ComponentRegistry::instance().unregisterFactory("HostTest.Addin");
    }

    void whatBeforeConfigureGivesIsShown_data()
    {
        // The behaviour's failure text, a non-page handed over, Cancel set; whether the
        // dialog opens, the error line. The page added first is there in any case.
        columns<QString, bool, bool, bool, QString>(
            {"failure", "nonPage", "cancel", "opens", "error"});
        row("failing handler: shown, and its page still there", "No database is open.", false,
            false, true, "A configuration page could not be prepared: No database is open.\n");
        row("an object that is no page is refused", "", true, false, true,
            "is no configuration page");
        row("Cancel keeps the dialog closed", "", false, true, false, "");
    }

    void whatBeforeConfigureGivesIsShown()
    {
        QFETCH(QString, failure);
        QFETCH(bool, nonPage);
        QFETCH(bool, cancel);
        QFETCH(QString, error);
        const auto dialog = dialogWith({{"probePage"}, false, nonPage, failure, cancel});
        QTEST(dialog->loadPages(), "opens");
        QVERIFY2(QString::fromUtf8(m_unattended->errors).contains(error),
                 m_unattended->errors.constData());
        QCOMPARE(m_unattended->errors.isEmpty(), error.isEmpty());
        QCOMPARE(dialog->pages().size(), 1);
    }

    void pagesBecomeTabsWithTheirCaptions()
    {
        m_unattended.reset();
        const auto dialog = dialogWith({{"first", "second"}});
        QVERIFY(dialog->loadPages());
        auto *tabs = dialog->findChild<QTabWidget *>("pageTabs");
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(1), QStringLiteral("Caption of second"));
        QCOMPARE(dialog->findPage("second"), tabs->widget(1));
        QCOMPARE(dialog->findPage("RecordingPage"), tabs->widget(0));
        QCOMPARE(tabs->widget(0)->parent()->parent(), tabs); // the dialog owns its pages
        QCOMPARE(m_capture->lines, QByteArrayList({"OnConnection", "first.Activate"}));
        tabs->setCurrentIndex(1);
        QCOMPARE(m_capture->lines.mid(2), QByteArrayList({"first.Deactivate", "second.Activate"}));
    }

    void buttonsReachEveryPage_data()
    {
        columns<QString, QString, bool, int>({"button", "call", "staysOpen", "result"});
        row("OK applies every page and closes", "okButton", "Apply", false, int(QDialog::Accepted));
        row("Cancel cancels every page", "cancelButton", "Cancel", false, int(QDialog::Rejected));
        row("Apply applies every page and stays open", "applyButton", "Apply", true,
            int(QDialog::Rejected));
    }

    void buttonsReachEveryPage()
    {
        QFETCH(QString, button);
        QFETCH(QString, call);
        m_unattended.reset();
        const auto dialog = dialogWith({{"first", "second"}});
        QVERIFY(dialog->loadPages());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        m_capture->lines.clear();
        dialog->findChild<QPushButton *>(button)->click();
        QCOMPARE(m_capture->lines,
                 QByteArrayList({"first." + call.toUtf8(), "second." + call.toUtf8()}));
        QTEST(dialog->isVisible(), "staysOpen");
        QTEST(dialog->result(), "result");
    }
};

QTEST_MAIN(tst_ConfigurationDialog)
#include "tst_configurationdialog.moc"
