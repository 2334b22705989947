// The configuration dialog with pages from an in-process add-in: how it
// takes pages, what a failing BeforeConfigure shows, and what its buttons do
// to every page.

#include "testaddin.h"
#include "unattendedcapture.h"

#include "../fakehost/debugcapture.h"

#include "host/impl/addinmanager.h"
#include "host/impl/application.h"
#include "host/impl/configurationdialog.h"
#include "host/impl/unattendedmode.h"
#include "platform/componentregistry.h"

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace Corvane;

namespace {
const QString kAddin = QStringLiteral("HostTest.Addin");
}

class tst_ConfigurationDialog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_emptyAddinFolder;
    std::unique_ptr<Host::Application> m_application;
    std::unique_ptr<Host::AddinManager> m_addins;
    std::unique_ptr<FakeHost::DebugCapture> m_capture;
    std::unique_ptr<HostTest::UnattendedCapture> m_unattended;

    // Connects the test add-in with the behaviour, through the add-in manager.
    void connectAddin(const HostTest::AddinBehaviour &behaviour)
    {
        Platform::ComponentRegistry::instance().registerFactory(
            kAddin, [behaviour] { return new HostTest::TestAddin(behaviour); });
        QVERIFY(m_addins->connectAddin(kAddin));
    }

    QStringList recorded() const
    {
        QStringList lines;
        for (const QByteArray &line : std::as_const(m_capture->lines))
            lines.append(QString::fromUtf8(line));
        return lines;
    }

    void unattended()
    {
        m_unattended = std::make_unique<HostTest::UnattendedCapture>(*m_application);
    }

private slots:
    void init()
    {
        m_application = std::make_unique<Host::Application>();
        m_addins = std::make_unique<Host::AddinManager>(*m_application, m_emptyAddinFolder.path());
        m_capture = std::make_unique<FakeHost::DebugCapture>();
    }

    void cleanup()
    {
        m_addins.reset();
        m_unattended.reset();
        m_application.reset();
        m_capture.reset();
        Platform::ComponentRegistry::instance().unregisterFactory(kAddin);
    }

    void failingBeforeConfigureIsShownAndDialogStillOpens()
    {
        unattended();
        connectAddin({{QStringLiteral("probePage")},
                      false,
                      false,
                      QStringLiteral("No database is open."),
                      false});
        Host::ConfigurationDialog dialog(*m_application);
        QVERIFY(dialog.loadPages());
        QCOMPARE(QString::fromUtf8(m_unattended->errors),
                 QStringLiteral("A configuration page could not be prepared: No database is "
                                "open.\n"));
        QCOMPARE(dialog.pages().size(), 1);
        // Unattended, the dialog is answered with its default button, OK.
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(recorded().contains(QStringLiteral("probePage.Apply")));
    }

    void pagesBecomeTabsWithTheirCaptions()
    {
        connectAddin(
            {{QStringLiteral("first"), QStringLiteral("second")}, false, false, {}, false});
        Host::ConfigurationDialog dialog(*m_application);
        QVERIFY(dialog.loadPages());
        auto *tabs = dialog.findChild<QTabWidget *>(QStringLiteral("pageTabs"));
        QVERIFY(tabs);
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(1), QStringLiteral("Caption of second"));
        QCOMPARE(dialog.findPage(QStringLiteral("second")), tabs->widget(1));
        QCOMPARE(dialog.findPage(QStringLiteral("RecordingPage")), tabs->widget(0));
        QCOMPARE(tabs->widget(0)->parent()->parent(), tabs); // the dialog owns its pages
        QCOMPARE(recorded(),
                 (QStringList{QStringLiteral("OnConnection"), QStringLiteral("first.Activate")}));
        tabs->setCurrentIndex(1);
        QCOMPARE(recorded().mid(2), (QStringList{QStringLiteral("first.Deactivate"),
                                                 QStringLiteral("second.Activate")}));
    }

    void buttonsReachEveryPage_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("call");
        QTest::addColumn<bool>("staysOpen");
        QTest::addColumn<int>("result");
        QTest::newRow("OK applies every page and closes")
            << "okButton"
            << "Apply" << false << int(QDialog::Accepted);
        QTest::newRow("Cancel cancels every page") << "cancelButton"
                                                   << "Cancel" << false << int(QDialog::Rejected);
        QTest::newRow("Apply applies every page and stays open")
            << "applyButton"
            << "Apply" << true << int(QDialog::Rejected);
    }

    void buttonsReachEveryPage()
    {
        QFETCH(QString, button);
        QFETCH(QString, call);
        QFETCH(bool, staysOpen);
        QFETCH(int, result);
        connectAddin(
            {{QStringLiteral("first"), QStringLiteral("second")}, false, false, {}, false});
        Host::ConfigurationDialog dialog(*m_application);
        QVERIFY(dialog.loadPages());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        m_capture->lines.clear();
        dialog.findChild<QPushButton *>(button)->click();
        QCOMPARE(recorded(),
                 (QStringList{QStringLiteral("first.") + call, QStringLiteral("second.") + call}));
        QCOMPARE(dialog.isVisible(), staysOpen);
        QCOMPARE(dialog.result(), result);
    }

    void objectThatIsNoPageIsRefused()
    {
        unattended();
        connectAddin({{QStringLiteral("first")}, false, true, {}, false});
        Host::ConfigurationDialog dialog(*m_application);
        dialog.loadPages();
        QCOMPARE(dialog.pages().size(), 1);
        QVERIFY(m_unattended->errors.contains("is no configuration page"));
    }

    void cancelledDialogDoesNotOpen()
    {
        connectAddin({{QStringLiteral("first")}, false, false, {}, true});
        Host::ConfigurationDialog dialog(*m_application);
        QVERIFY(!dialog.loadPages());
    }
};

QTEST_MAIN(tst_ConfigurationDialog)
#include "tst_configurationdialog.moc"
