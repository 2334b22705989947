// The administration window over a real database: its table list, the web
// bar's place, and Tools > Configure..., which opens the configuration dialog.

#include "testaddin.h"
#include "unattendedcapture.h"

#include "../fakehost/debugcapture.h"

#include "dravo/engine.h"
#include "dravo/tablecatalog.h"
#include "host/api/settingsnode.h"
#include "host/impl/addinmanager.h"
#include "host/impl/application.h"
#include "host/impl/database.h"
#include "host/impl/mainwindow.h"
#include "host/impl/unattendedmode.h"
#include "platform/componentregistry.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Corvane;

class tst_MainWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<Host::Application> m_application;

private slots:
    void init()
    {
        m_application = std::make_unique<Host::Application>();
        auto database = std::make_unique<Host::Database>(
            Dravo::Engine::create(m_folder.filePath(QStringLiteral("window.sqlite"))));
        Dravo::TableCatalog catalog(database->engine());
        if (catalog.all().isEmpty()) {
            catalog.add({2,
                         QStringLiteral("Orders"),
                         {},
                         QStringLiteral("Orders"),
                         2,
                         QStringLiteral("Aufträge")});
            catalog.add({1,
                         QStringLiteral("Customers"),
                         {},
                         QStringLiteral("Customers"),
                         1,
                         QStringLiteral("Kunden")});
            database->Settings()
                ->Node(QStringLiteral("Inspectors\\Customers\\WebBar"))
                ->SetValue(QStringLiteral("URL"), QStringLiteral("customers/index.htm"));
        }
        m_application->setDatabase(std::move(database));
    }

    void cleanup() { m_application.reset(); }

    void listsTheTablesInIdOrder()
    {
        Host::MainWindow window(*m_application);
        auto *tree = window.findChild<QTreeWidget *>(QStringLiteral("tableTree"));
        QVERIFY(tree);
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->text(1), QStringLiteral("Customers"));
        QCOMPARE(tree->topLevelItem(1)->text(2), QStringLiteral("Aufträge"));
    }

    void configureOpensTheDialogWithTheAddinsPages()
    {
        HostTest::UnattendedCapture unattended(*m_application);
        Platform::ComponentRegistry::instance().registerFactory(
            QStringLiteral("HostTest.Addin"), [] {
                return new HostTest::TestAddin(
                    {{QStringLiteral("windowPage")}, false, false, {}, false});
            });
        FakeHost::DebugCapture capture;
        {
            QTemporaryDir noAddins;
            Host::AddinManager addins(*m_application, noAddins.path());
            QVERIFY(addins.connectAddin(QStringLiteral("HostTest.Addin")));
            Host::MainWindow window(*m_application);
            window.findChild<QAction *>(QStringLiteral("actionConfigure"))->trigger();
        }
        Platform::ComponentRegistry::instance().unregisterFactory(QStringLiteral("HostTest.Addin"));
        // Unattended, the dialog was answered with OK, which applies the page.
        QVERIFY(capture.lines.contains("windowPage.Apply"));
        QVERIFY2(unattended.output.contains("[OK]"), unattended.output.constData());
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
