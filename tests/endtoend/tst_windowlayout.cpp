// Every window of the host and the add-in, opened for real on a demo database
// after a publish, in English and German, at its default and at its minimum
// size: no visible text may be clipped, no two visible siblings may overlap.
// With CORVANE_SCREENSHOT_DIR set, each window is also saved there as
// <window>-<language>.png at its default size and <window>-<language>-minimum.png
// at its minimum size (scripts/screenshots.sh).

#include "e2esupport.h"
#include "layoutcheck.h"

#include "../app/admintool.h"
#include "../datarows.h"

#include "addin/resourcemanager.h"
#include "editor/frmactionpadproperties.h"
#include "editor/frmactionpadtest.h"
#include "host/impl/application.h"
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
#include <QWebEnginePage>

#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

void settle()
{
    for (int i = 0; i < 3; ++i)
        QTest::qWait(10);
}

// Whether the web bar shows its page whole: the page and its pictures are
// loaded, and the view's picture is more than its background.
bool pageDrawn(Corvane::Host::WebBarView *view)
{
    auto loaded = std::make_shared<std::optional<bool>>();
    view->page()->runJavaScript(u"document.readyState === 'complete' && "
                                "Array.from(document.images).every(image => image.complete)"_s,
                                [loaded](const QVariant &value) { *loaded = value.toBool(); });
    if (!QTest::qWaitFor([&] { return loaded->has_value(); }, 2000) || !**loaded)
        return false;
    const QImage picture = view->grab().toImage();
    if (picture.isNull())
        return true; // too small to show anything
    const QRgb background = picture.pixel(0, 0);
    for (int y = 0; y < picture.height(); y += 4)
        for (int x = 0; x < picture.width(); x += 4)
            if (picture.pixel(x, y) != background)
                return true;
    return false;
}

} // namespace

class tst_WindowLayout : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_screenshots = qEnvironmentVariable("CORVANE_SCREENSHOT_DIR");
    QString database() const { return m_dir.filePath(u"corvane.sqlite"_s); }

    // Saves the window's picture, once `drawn` (if given) says that all of
    // it has been drawn; a picture taken without is a problem.
    void shoot(QWidget *window, const QString &fileName, const std::function<bool()> &drawn,
               QStringList &found)
    {
        if (m_screenshots.isEmpty() || fileName.isEmpty())
            return;
        if (drawn && !QTest::qWaitFor(drawn, 20000))
            found << fileName + u": taken before the window was drawn"_s;
        window->grab().save(QDir(m_screenshots).filePath(fileName));
    }

    // The window's problems at its default size, then at its minimum size;
    // both are saved as screenshots when asked for (and a shot name given).
    QStringList problemsOf(QWidget *window, const QString &shotName,
                           const std::function<bool()> &drawn = {})
    {
        settle();
        QStringList found;
        for (const QString &problem : LayoutCheck::problems(window))
            found << u"default size %1x%2: "_s.arg(window->width()).arg(window->height()) + problem;
        shoot(window, shotName.isEmpty() ? QString() : shotName + u".png"_s, drawn, found);
        const QSize before = window->size();
        window->resize(1, 1);
        settle();
        shoot(window, shotName.isEmpty() ? QString() : shotName + u"-minimum.png"_s, drawn, found);
        for (const QString &problem : LayoutCheck::problems(window))
            found << u"minimum size %1x%2: "_s.arg(window->width()).arg(window->height()) + problem;
        window->resize(before);
        settle();
        return found;
    }

    // Publishes and checks the first modal window `accept` takes; every other one gets its
    // default button.
    QStringList duringPublish(EndToEnd::LiveHost &host,
                              const std::function<bool(QWidget *)> &accept, const QString &shot)
    {
        QStringList found;
        bool checked = false;
        host.onModal = [&](QDialog *modal) {
            if (!checked && accept(modal)) {
                checked = true;
                found = problemsOf(modal, shot);
            }
        };
        if (host.publish().isEmpty())
            found << u"the publish did not end"_s;
        if (!checked)
            found << u"the window did not open during the publish (outcome %1)"_s.arg(
                host.outcome());
        return found;
    }

    QStringList windowProblems(const QString &window, const QString &language)
    {
        Brimble::ResourceManager::ResetTranslatorForTests(); // picks the dictionary anew
        EndToEnd::LiveHost host(database(), language);
        const QString shot = window + u'-' + language;
        if (window == u"configuration"_s)
            return problemsOf(host.dialog(), shot);
        host.dialog()->hide();
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
            Corvane::Host::MainWindow main(host.application());
            main.show();
            auto *tables = main.findChild<QTreeWidget *>(u"tableTree"_s);
            const auto select = [tables](const QString &table) {
                const QList<QTreeWidgetItem *> items =
                    tables->findItems(table, Qt::MatchExactly, 1);
                if (!items.isEmpty())
                    tables->setCurrentItem(items.constFirst());
            };
            auto *view = main.findChild<Corvane::Host::WebBarView *>(u"webBarView"_s);
            // The pictures show one of the demo's pages.
            select(u"Customers"_s);
            QStringList found = problemsOf(&main, shot, [view] { return pageDrawn(view); });
            // Products' page shares its name with Customers' and was left out:
            // the web bar says so in its longest text.
            select(u"Products"_s);
            return found + problemsOf(&main, {});
        }
        host.dialog()->show();
        if (window == u"confirmation"_s)
            return duringPublish(
                host, [](QWidget *modal) { return qobject_cast<QMessageBox *>(modal); }, shot);
        if (window == u"duplicates"_s)
            return duringPublish(
                host,
                [](QWidget *modal) { return modal->inherits("Brimble::frmEditArchiveDuplicates"); },
                shot);
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
        DataRows::columns<QString, QString>({"window", "language"});
        for (const char *window : {"configuration", "properties", "duplicates", "testform",
                                   "mainwindow", "confirmation"})
            for (const char *language : {"en", "de"})
                QTest::addRow("%s, %s", window, language)
                    << QString::fromLatin1(window) << QString::fromLatin1(language);
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
        EndToEnd::LiveHost host(database());
        host.dialog()->hide();
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
