// The administration window over a real database: the web bar with the action pads published into
// the database (a real zip archive made by Info-ZIP's zip) shown in a real browser view.

#include "../datarows.h"

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"
#include "dravo/tablecatalog.h"
#include "host/api/settingsnode.h"
#include "host/impl/application.h"
#include "host/impl/database.h"
#include "host/impl/mainwindow.h"
#include "host/impl/webbar.h"
#include "host/impl/webbarview.h"
#include "unattendedcapture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace Corvane;
using namespace DataRows;

namespace {

using Files = QMap<QString, QByteArray>;

// How long a page may take to show (the sanitizer build is slow).
constexpr int kShowTimeout = 30000;
#define SHOWS(window, text)                                                                        \
    QTRY_VERIFY2_WITH_TIMEOUT(shownText(window).contains(text), qPrintable(shownText(window)),     \
                              kShowTimeout)

Files pads(const QByteArray &startTitle = "Start page")
{
    return {
        {"start.htm",
         "<head><link rel=stylesheet href=pads.css><script src=js/pads.js></script></head>"
         "<h1>" +
             startTitle +
             "</h1><p id=query></p><a id=next "
             "href=\"sub/second.htm\">Next</a> <a id=out href=\"https://example.com/x\">Out</a>"},
        {"js/pads.js", "addEventListener('DOMContentLoaded', () => "
                       "{ document.getElementById('query').textContent = location.search; });"},
        {"sub/second.htm", "<p>Second page</p><a id=missing href=missing.htm>Gone</a>"},
        {"pads.css", "h1 { color: #2a6eb4 }"},
        {"overview.htm", "<p>Overview pad</p>"},
        {"customers/index.htm", "<p>Customer pad</p>"},
        {"main.htm", "<p>Wrong main</p>"},
        {"orders/main.htm", "<p>Orders pad</p>"}};
}

void writeFiles(const QString &folder, const Files &files)
{
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QDir().mkpath(QFileInfo(folder + u'/' + it.key()).path());
        QFile file(folder + u'/' + it.key());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(it.value()) == it->size());
    }
}

// Records the addresses that the desktop is asked to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<Host::Application> m_application;
    int m_archives = 0;

    Dravo::Engine &engine() { return m_application->database()->engine(); }

    // Zips the files with Info-ZIP's zip and stores the archive with the attributes.
    void publish(const Files &files, const QHash<QString, QString> &attributes)
    {
        const QString folder = m_folder.filePath("pads" + QString::number(++m_archives));
        writeFiles(folder, files);
        QFile::remove(m_folder.filePath("pads.zip")); // zip would add to it
        QProcess zip;
        zip.setWorkingDirectory(folder);
        zip.start("zip", {"-qr", "../pads.zip", "."});
        QVERIFY(zip.waitForFinished() && zip.exitCode() == 0);
        Dravo::ActionPadStore(engine()).save(m_folder.filePath("pads.zip"), attributes);
    }

    // What a script in the page shown gives; invalid when it gives nothing in time.
    static QVariant evaluate(Host::MainWindow &window, const QString &script)
    {
        auto result = std::make_shared<std::optional<QVariant>>();
        window.findChild<Host::WebBarView *>("webBarView")
            ->page()
            ->runJavaScript(script, [result](const QVariant &value) { *result = value; });
        if (!QTest::qWaitFor([&] { return result->has_value(); }, 2000))
            return {};
        return result->value_or(QVariant());
    }

    static QString shownText(Host::MainWindow &window)
    {
        return evaluate(window, "document.body ? document.body.innerText : ''").toString();
    }

private slots:
    void init()
    {
        m_application = std::make_unique<Host::Application>();
        auto database = std::make_unique<Host::Database>(Dravo::Engine::create(
            m_folder.filePath(QStringLiteral("%1 %2.sqlite")
                                  .arg(QTest::currentTestFunction(), QTest::currentDataTag()))));
        database->engine().setWebFolder(m_folder.filePath(QStringLiteral("web")));
        Dravo::TableCatalog catalog(database->engine());
        catalog.add({2, "Orders", {}, "Orders", 2, "Aufträge"});
        catalog.add({1, "Customers", {}, "Customers", 1, "Kunden"});
        database->Settings()
            ->Node("Inspectors\\Customers\\WebBar")
            ->SetValue("URL", "customers/index.htm");
        m_application->setDatabase(std::move(database));
    }

    void cleanup() { m_application.reset(); }

    void webBarShowsThePublishedActionPad_data()
    {
        // location: its attribute or table URL; empty: as set up
        columns<QString, QString, bool, QString>({"subject", "location", "stored", "expected"});
        row("table, other case and a query", "Customers", "Customers\\INDEX.htm?tab=2", true,
            "Customer pad");
        row("table, longest trailing path", "Orders", "/elsewhere/orders/main.htm", true,
            "Orders pad");
        row("table without action pad", "Orders", "", true,
            "No action pad is published for Orders.");
        row("page not in the archive", "Overview", "gone.htm", true,
            "The action pad of the overview is not in the published action pads.");
        row("web address", "Database", "HTTPS://example.com/pad", true, "is a web address");
        row("nothing published", "Customers", "", false,
            "the database holds no published action pads yet");
    }

    void webBarShowsThePublishedActionPad()
    {
        QFETCH(QString, subject);
        QFETCH(QString, location);
        QFETCH(bool, stored);
        QFETCH(QString, expected);
        QHash<QString, QString> attributes{{"defaultactionpad", "start.htm"},
                                           {"overviewactionpad", "overview.htm"}};
        const bool table = subject != "Database" && subject != "Overview";
        if (!location.isEmpty() && !table)
            attributes.insert(subject == "Database" ? "defaultactionpad" : "overviewactionpad",
                              location);
        if (!location.isEmpty() && table)
            m_application->database()
                ->Settings()
                ->Node("Inspectors\\" + subject + "\\WebBar")
                ->SetValue("URL", location);
        if (stored)
            publish(pads(), attributes);

        Host::MainWindow window(*m_application);
        auto *selector = window.findChild<QComboBox *>("webBarSelector");
        auto *tree = window.findChild<QTreeWidget *>("tableTree");
        const QString row = table ? subject : QStringLiteral("Customers");
        tree->setCurrentItem(tree->findItems(row, Qt::MatchExactly, 1).value(0));
        if (table) {
            QCOMPARE(selector->currentText(), subject);
        } else { // chosen with the keyboard, which leaves the table list
            QTest::keyClick(selector, Qt::Key_Home);
            if (subject == "Overview")
                QTest::keyClick(selector, Qt::Key_Down);
            QVERIFY(tree->selectedItems().isEmpty());
        }
        SHOWS(window, expected);
        if (location.startsWith("HTTPS"))
            QCOMPARE(evaluate(window, "document.querySelector('a').getAttribute('href')"),
                     location);
    }

    void webBarTellsPagesOfTheSameNameApart_data()
    {
        columns<QByteArray, QString>({"customersOnDisk", "ordersShows"});
        // Both tables' pages are index.htm; the archive kept the customers' one.
        QTest::newRow("the orders' page is another file")
            << QByteArray("<p>Customer pad</p>")
            << "was left out when the action pads were published: another page has the same name, "
               "index.htm";
        QTest::newRow("no table's page is the entry: the longest match")
            << QByteArray("<p>Customer pad, edited</p>") << "Customer pad";
    }

    void webBarTellsPagesOfTheSameNameApart()
    {
        QFETCH(QByteArray, customersOnDisk);
        QFETCH(QString, ordersShows);
        writeFiles(m_folder.filePath("web"), {{"customers/index.htm", customersOnDisk},
                                              {"orders/index.htm", "<p>Orders pad</p>"}});
        m_application->database()
            ->Settings()
            ->Node("Inspectors\\Orders\\WebBar")
            ->SetValue("URL", "orders/index.htm");
        publish({{"index.htm", "<p>Customer pad</p>"}}, {});

        Host::MainWindow window(*m_application);
        auto *tree = window.findChild<QTreeWidget *>("tableTree");
        tree->setCurrentItem(tree->findItems("Orders", Qt::MatchExactly, 1).value(0));
        SHOWS(window, ordersShows);
        tree->setCurrentItem(tree->findItems("Customers", Qt::MatchExactly, 1).value(0));
        SHOWS(window, "Customer pad");
    }

    void webBarShowsPadsAsABrowserDoes()
    {
        publish(pads(), {{"defaultactionpad", "start.htm?tab=2"}});
        UrlCatcher desktop;
        QDesktopServices::setUrlHandler("https", &desktop, "open");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler("https"); });
        Host::MainWindow window(*m_application);
        window.show();
        // The archive's script ran with the location's query, its style sheet applied.
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(window, "document.getElementById('query')?.textContent"),
                                  QVariant("?tab=2"), kShowTimeout);
        QCOMPARE(evaluate(window, "getComputedStyle(document.querySelector('h1')).color"),
                 QVariant("rgb(42, 110, 180)"));
        evaluate(window, "document.getElementById('out').click()");
        QTRY_COMPARE(desktop.urls, QList<QUrl>{QUrl("https://example.com/x")});
        QCOMPARE(evaluate(window, "document.getElementById('query').textContent"),
                 QVariant("?tab=2")); // still the page

        evaluate(window, "document.getElementById('next').click()");
        SHOWS(window, "Second page");
        evaluate(window, "document.getElementById('missing').click()");
        SHOWS(window, "The page sub/missing.htm is not in the published");
    }

    void webBarLoadsNothingFromOutside()
    {
        QTcpServer outside;
        QVERIFY(outside.listen(QHostAddress::LocalHost));
        const QByteArray address = "http://127.0.0.1:" + QByteArray::number(outside.serverPort());
        publish({{"start.htm", "<img src=\"" + address + "/a.png\"><script src=\"" + address +
                                   "/b.js\"></script><iframe src=\"" + address +
                                   "/c.htm\"></iframe><script>fetch('" + address +
                                   "/d').catch(() => {}); addEventListener('load', () => "
                                   "document.body.dataset.loaded = 1)</script>"}},
                {{"defaultactionpad", "start.htm"}});
        Host::MainWindow window(*m_application);
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(outside.hasPendingConnections() ||
                                     evaluate(window, "document.body.dataset.loaded") == "1",
                                 kShowTimeout);
        QTest::qWait(200);
        QVERIFY2(!outside.hasPendingConnections(), "a request left the machine");
    }

    // A publish killed between its commit and the cache refresh still shows: the web bar
    // compares the archive's checksum and the page names as well as the cache generation.
    void webBarShowsANewPublishEvenWithoutARefresh_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("new archive, same page names") << "archive";
        QTest::newRow("same archive, another page name") << "attribute";
    }

    void webBarShowsANewPublishEvenWithoutARefresh()
    {
        QFETCH(QString, change);
        publish(pads(), {{"defaultactionpad", "start.htm"}});
        Host::MainWindow window(*m_application);
        auto *bar = window.findChild<Host::WebBar *>("webBar");
        SHOWS(window, "Start page");
        if (change == "attribute")
            Dravo::ActionPadStore(engine()).save(std::nullopt,
                                                 {{"defaultactionpad", "overview.htm"}});
        else
            publish(pads("Start page, second edition"), {});
        const QString expected = change == "attribute" ? "Overview pad" : "second edition";
        // the poll's timer
        SHOWS(window, expected);
        if (change != "archive")
            return;

        // Tools > Configure opens the configuration dialog (answered unattended).
        {
            HostTest::UnattendedCapture capture(*m_application);
            window.findChild<QAction *>("actionConfigure")->trigger();
            QVERIFY2(capture.output.startsWith("Configuration - "), capture.output.constData());
        }

        // A failing database is reported once, and the page stays.
        engine().execute("DROP TABLE server_cache");
        bar->checkPublished();
        QVERIFY(window.statusBar()->currentMessage().startsWith("The web bar cannot"));
        window.statusBar()->clearMessage();
        bar->checkPublished();
        QCOMPARE(window.statusBar()->currentMessage(), QString());
        QVERIFY(shownText(window).contains("second edition"));
    }
};

int main(int argc, char *argv[])
{
    Host::WebBarView::prepareApplication();
    QApplication application(argc, argv);
    QTEST_DISABLE_KEYPAD_NAVIGATION
    tst_MainWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainwindow.moc"
