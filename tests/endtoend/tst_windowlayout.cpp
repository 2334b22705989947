// Every window of the host and the add-in, opened for real on a demo database
// after a publish, in English and German, at its default and at its minimum
// size: no visible text may be clipped, no two visible siblings may overlap.
// With CORVANE_SCREENSHOT_DIR set, each window is also saved there as
// <window>-<language>.png at its default size and <window>-<language>-minimum.png
// at its minimum size (scripts/screenshots.sh).

#include "layoutcheck.h"

#include "../app/admintool.h"

#include "addin/resourcemanager.h"
#include "editor/frmactionpadproperties.h"
#include "editor/frmactionpadtest.h"
#include "host/impl/addinmanager.h"
#include "host/impl/application.h"
#include "host/impl/configurationdialog.h"
#include "host/impl/hostclasses.h"
#include "host/impl/hosttranslations.h"
#include "host/impl/mainwindow.h"
#include "host/impl/webbarview.h"
#include "platform/debugoutput.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The host and the add-in as corvane-admin gui runs them, in one language.
class Session final
{
public:
    Session(const QString &database, const QString &language)
        : m_home(QDir::currentPath())
    {
        static const bool registered = (Corvane::Host::registerHostClasses(), true);
        Q_UNUSED(registered)
        Corvane::Host::HostTranslations::install(language);
        // The add-in picks its dictionary when it first needs a text.
        Brimble::ResourceManager::ResetTranslatorForTests();
        m_application.setLanguage(language);
        m_application.openDatabase(database);
        QDir::setCurrent(m_application.WebFolder());
        m_addins = std::make_unique<Corvane::Host::AddinManager>(m_application);
        m_addins->connectAll();
    }
    ~Session()
    {
        m_addins.reset();
        QDir::setCurrent(m_home);
    }
    Q_DISABLE_COPY_MOVE(Session)

    Corvane::Host::Application &application() { return m_application; }

private:
    QString m_home;
    Corvane::Host::Application m_application;
    std::unique_ptr<Corvane::Host::AddinManager> m_addins;
};

void settle()
{
    for (int i = 0; i < 3; ++i)
        QTest::qWait(10);
}

} // namespace

class tst_WindowLayout : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_screenshots = qEnvironmentVariable("CORVANE_SCREENSHOT_DIR");
    QString database() const { return m_dir.filePath(u"corvane.sqlite"_s); }

    // The window's problems at its default size, then at its minimum size;
    // both are saved as screenshots when asked for.
    QStringList problemsOf(QWidget *window, const QString &shotName)
    {
        settle();
        QStringList found;
        for (const QString &problem : LayoutCheck::problems(window))
            found << u"default size %1x%2: "_s.arg(window->width()).arg(window->height()) + problem;
        if (!m_screenshots.isEmpty())
            window->grab().save(QDir(m_screenshots).filePath(shotName + u".png"_s));
        const QSize before = window->size();
        window->resize(1, 1);
        settle();
        if (!m_screenshots.isEmpty())
            window->grab().save(QDir(m_screenshots).filePath(shotName + u"-minimum.png"_s));
        for (const QString &problem : LayoutCheck::problems(window))
            found << u"minimum size %1x%2: "_s.arg(window->width()).arg(window->height()) + problem;
        window->resize(before);
        settle();
        return found;
    }

    // Presses the page's publish button and hands the first modal window
    // `accept` takes to `check`; every other one gets its default button.
    QStringList duringPublish(Session &session, const std::function<bool(QWidget *)> &accept,
                              const std::function<QStringList(QWidget *)> &check)
    {
        Corvane::Host::ConfigurationDialog dialog(session.application());
        dialog.loadPages();
        QWidget *page = dialog.findPage(u"ucActionPadEditor"_s);
        if (!page)
            return {u"no action pad page"_s};
        dialog.setCurrentPage(page);
        dialog.show();
        QStringList found;
        bool checked = false;
        QTimer answering;
        connect(&answering, &QTimer::timeout, this, [&] {
            auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!modal || !modal->isVisible())
                return;
            answering.stop(); // the check may take its time: nothing runs twice
            if (!checked && accept(modal)) {
                checked = true;
                found = check(modal);
            }
            for (QPushButton *button : modal->findChildren<QPushButton *>()) {
                if (button->isDefault() && button->isVisible()) {
                    button->click();
                    break;
                }
            }
            answering.start();
        });
        answering.start(20);
        page->findChild<QPushButton *>(u"cmdPublishActionPads"_s)->click();
        if (!QTest::qWaitFor([&] { return page->property("PublishOutcome") != u"running"_s; },
                             60000))
            found << u"the publish did not end"_s;
        if (!checked)
            found << u"the window did not open during the publish (outcome %1)"_s.arg(
                page->property("PublishOutcome").toString());
        return found;
    }

    QStringList windowProblems(const QString &window, const QString &language)
    {
        Session session(database(), language);
        const QString shot = window + u'-' + language;
        if (window == u"configuration"_s) {
            Corvane::Host::ConfigurationDialog dialog(session.application());
            dialog.loadPages();
            dialog.setCurrentPage(dialog.findPage(u"ucActionPadEditor"_s));
            dialog.show();
            return problemsOf(&dialog, shot);
        }
        if (window == u"properties"_s) {
            Brimble::frmActionPadProperties dialog;
            dialog.setActionPad(u"customers/index.htm?tab=2"_s);
            QStringList found;
            QTimer::singleShot(0, &dialog, [&] {
                found = problemsOf(&dialog, shot);
                dialog.close();
            });
            dialog.DoModal();
            return found;
        }
        if (window == u"testform"_s) {
            Brimble::frmActionPadTest form;
            form.show();
            return problemsOf(&form, shot);
        }
        if (window == u"mainwindow"_s) {
            Corvane::Host::MainWindow main(session.application());
            main.show();
            // Products' page shares its name with Customers' and was left out.
            auto *tables = main.findChild<QTreeWidget *>(u"tableTree"_s);
            const QList<QTreeWidgetItem *> products =
                tables->findItems(u"Products"_s, Qt::MatchExactly, 1);
            if (!products.isEmpty())
                tables->setCurrentItem(products.constFirst());
            return problemsOf(&main, shot);
        }
        if (window == u"confirmation"_s)
            return duringPublish(
                session, [](QWidget *modal) { return qobject_cast<QMessageBox *>(modal); },
                [&](QWidget *modal) { return problemsOf(modal, shot); });
        if (window == u"duplicates"_s)
            return duringPublish(
                session,
                [](QWidget *modal) { return modal->inherits("Brimble::frmEditArchiveDuplicates"); },
                [&](QWidget *modal) { return problemsOf(modal, shot); });
        return {u"no such window"_s};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The debug log of the add-in is not what this test reads.
        Corvane::Platform::setDebugOutputSink([](const QByteArray &) {});
        const AdminTool::Result init =
            AdminTool::run({u"init"_s, u"--demo"_s, u"--database"_s, database()});
        QVERIFY2(init.exitCode == 0, qPrintable(init.errors));
        const AdminTool::Result publish =
            AdminTool::run({u"publish"_s, u"--database"_s, database()});
        QVERIFY2(publish.exitCode == 0, qPrintable(publish.errors));
        if (!m_screenshots.isEmpty())
            QVERIFY(QDir().mkpath(m_screenshots));
    }

    void everyWindowFitsItsTexts_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("language");
        for (const char *window : {"configuration", "properties", "duplicates", "testform",
                                   "mainwindow", "confirmation"}) {
            for (const char *language : {"en", "de"})
                QTest::addRow("%s, %s", window, language)
                    << QString::fromLatin1(window) << QString::fromLatin1(language);
        }
    }

    void everyWindowFitsItsTexts()
    {
        QFETCH(QString, window);
        QFETCH(QString, language);
        const QStringList found = windowProblems(window, language);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u"\n"_s)));
    }

    // The check itself: a button too narrow for its text, and two controls
    // on top of each other, are found.
    void aBrokenLayoutIsFound()
    {
        Session session(database(), u"en"_s);
        Brimble::frmActionPadProperties dialog;
        QStringList found;
        QTimer::singleShot(0, &dialog, [&] {
            settle();
            dialog.findChild<QPushButton *>(u"cmdBrowseForInspector"_s)->setFixedWidth(40);
            settle();
            dialog.findChild<QWidget *>(u"tbRelativeTo"_s)
                ->move(dialog.findChild<QWidget *>(u"tbActionPad"_s)->pos());
            found = LayoutCheck::problems(&dialog);
            dialog.close();
        });
        dialog.DoModal();
        const QString all = found.join(u"\n"_s);
        QVERIFY2(all.contains(u"cmdBrowseForInspector: the text"_s), qPrintable(all));
        QVERIFY2(all.contains(u"tbActionPad and tbRelativeTo overlap"_s), qPrintable(all));
    }
};

int main(int argc, char *argv[])
{
    Corvane::Host::WebBarView::prepareApplication();
    QApplication application(argc, argv);
    QTEST_DISABLE_KEYPAD_NAVIGATION
    tst_WindowLayout test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_windowlayout.moc"
