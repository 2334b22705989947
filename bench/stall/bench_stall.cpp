// How long the window stops answering during a publish: drives the real host
// (main window with its web bar, configuration dialog, the add-in's page) on
// an offscreen screen through a publish of a generated web folder into a
// fresh database, then OK, then the web bar's reload of the new archive. A
// 5 ms timer runs on the UI thread throughout; each gap between two of its
// ticks is a stall, counted for every phase it overlaps. Prints the largest
// stall per phase (goal: none above 50 ms).
//
//   bench_stall [--work DIR] [--sizes 27,70,300] [--database URL]
//   bench_stall --run WEBFOLDER DATABASE     (child: one publish, prints its numbers)
//
// A PostgreSQL --database (an existing, empty database) is cleared and reused
// for every size.

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"
#include "dravo/settingstree.h"
#include "host/impl/addinmanager.h"
#include "host/impl/application.h"
#include "host/impl/database.h"
#include "host/impl/hostclasses.h"
#include "host/impl/mainwindow.h"
#include "host/impl/webbarview.h"
#include "platform/debugoutput.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

namespace {

using namespace Corvane;

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

const QStringList kPhases{"analysis", "zipping", "storing", "after storing", "web bar reload"};

// A web folder whose archive is about `megabytes`: an index page and files
// of bytes that do not compress, as pictures.
void makeWebFolder(const QString &folder, int megabytes)
{
    QDir().mkpath(folder + "/img");
    QFile index(folder + "/index.htm");
    if (!index.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(index.fileName()));
    index.write("<html><body><h1>Stall bench</h1><img src=\"img/p00000.jpg\"></body></html>\n");
    QRandomGenerator generator{quint32(megabytes)};
    QByteArray bytes(1024 * 1024, Qt::Uninitialized);
    for (int i = 0; i < megabytes; ++i) {
        generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        QFile file(QStringLiteral("%1/img/p%2.jpg").arg(folder).arg(i, 5, 10, QChar('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
    }
}

// A new database (or a cleared PostgreSQL one) whose action pad is the folder's index page.
void prepareDatabase(const QString &location, const QString &webFolder)
{
    const std::unique_ptr<Dravo::Engine> engine = Dravo::Engine::create(location);
    if (engine->isPostgreSql()) {
        engine->execute("DELETE FROM actionpad_chunk");
        engine->execute("DELETE FROM actionpad_content");
        engine->execute("DELETE FROM actionpad_attribute");
    }
    engine->setWebFolder(webFolder + '/');
    Dravo::SettingsTree(*engine).setValue("WebBar", "URL", webFolder + "/index.htm");
}

// ---- child: one publish, watched ----------------------------------------------

class StallWatch final : public QObject
{
    Q_OBJECT
public:
    StallWatch()
    {
        m_clock.start();
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(5);
        connect(&m_tick, &QTimer::timeout, this, &StallWatch::tick);
    }

    void start(const QString &phase)
    {
        m_changes = {{m_clock.elapsed(), phase}};
        m_last = m_clock.elapsed();
        m_tick.start();
    }
    void enter(const QString &phase)
    {
        if (phase != m_changes.constLast().second)
            m_changes.append({m_clock.elapsed(), phase});
    }
    qint64 elapsed() const { return m_clock.elapsed(); }
    const QMap<QString, qint64> &largest() const { return m_largest; }

public slots:
    // The page's status: the phases of a publish, as the page names them.
    void takeStatus(const QString &status)
    {
        if (qEnvironmentVariableIsSet("BENCH_STALL_TRACE"))
            qInfo("%lld ms: %s", m_clock.elapsed(), qPrintable(status));
        m_lastStatus = status;
        if (status.startsWith("Creating the archive"))
            enter("zipping");
        else if (status.startsWith("Storing the archive"))
            enter("storing");
        else if (status.startsWith("The action pads are published"))
            enter("after storing");
    }

public:
    QString m_lastStatus;

private:
    void tick()
    {
        const qint64 now = m_clock.elapsed();
        const qint64 gap = now - m_last;
        // Every phase that was current at some time within the gap.
        for (qsizetype i = m_changes.size() - 1; i >= 0; --i) {
            qint64 &largest = m_largest[m_changes.at(i).second];
            largest = std::max(largest, gap);
            if (m_changes.at(i).first <= m_last)
                break;
        }
        m_last = now;
    }

    QElapsedTimer m_clock;
    QTimer m_tick;
    qint64 m_last = 0;
    QList<std::pair<qint64, QString>> m_changes;
    QMap<QString, qint64> m_largest;
};

int runChild(const QString &webFolder, const QString &location)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The component registry of this run's own, in the work folder.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QFileInfo(webFolder).absolutePath() + "/config"));
    Platform::setDebugOutputSink([](const QByteArray &) {});
    Host::WebBarView::prepareApplication();
    int argc = 1;
    char name[] = "bench_stall";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    Host::registerHostClasses();
    auto application = std::make_unique<Host::Application>();
    application->openDatabase(location);
    QDir::setCurrent(webFolder);
    auto addins = std::make_unique<Host::AddinManager>(*application);
    application->setUnattended(true); // the registration's news need no answer
    addins->connectAll();
    application->setUnattended(false);

    auto window = std::make_unique<Host::MainWindow>(*application);
    window->show();
    auto *view = window->findChild<Host::WebBarView *>();
    StallWatch watch;
    QPointer<QDialog> dialog;
    bool okPressed = false;
    QElapsedTimer sincePublished;
    bool published = false;

    // The dialog is modal: a timer finds it, presses Publish, and OK once published.
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, &watch, [&] {
        // A question (the archive's size) gets its default answer.
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            if (QAbstractButton *button = box->defaultButton())
                QTimer::singleShot(0, button, &QAbstractButton::click);
            return;
        }
        if (okPressed)
            return;
        if (!dialog) {
            if (qEnvironmentVariableIsSet("BENCH_STALL_TRACE"))
                qInfo("modal: %s",
                      QApplication::activeModalWidget()
                          ? QApplication::activeModalWidget()->metaObject()->className()
                          : "none");
            dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QWidget *page = dialog ? dialog->findChild<QWidget *>("ucActionPadEditor") : nullptr;
            auto *publish = page ? page->findChild<QPushButton *>("cmdPublishActionPads") : nullptr;
            if (!publish) {
                dialog = nullptr;
                return;
            }
            QObject::connect(page, SIGNAL(StatusChanged(QString)), &watch,
                             SLOT(takeStatus(QString)));
            QObject::connect(dialog, &QDialog::finished, &watch, [&] {
                watch.enter("web bar reload");
                QObject::connect(view, &QWebEngineView::loadFinished, &watch, [&] {
                    // A little longer: what follows the page's load counts too.
                    QTimer::singleShot(300, &watch, [] { QApplication::exit(0); });
                });
            });
            watch.start("analysis");
            // Not from within this timer's slot: Qt fires no timer again while
            // its slot runs, and the publish runs nested event loops.
            QTimer::singleShot(0, publish, &QPushButton::click);
            return;
        }
        if (!published && watch.m_lastStatus.startsWith("The action pads are published")) {
            published = true;
            sincePublished.start();
        }
        if (published && !okPressed && sincePublished.elapsed() > 200) {
            okPressed = true;
            if (auto *ok = dialog->findChild<QPushButton *>("okButton"))
                QTimer::singleShot(0, ok, &QPushButton::click);
        }
    });
    driver.start();
    QTimer::singleShot(0, window.get(), [&] { window->configure(); });
    // Whatever happens, the run ends.
    QTimer::singleShot(30 * 60 * 1000, &watch, [] { QApplication::exit(2); });
    const int code = app.exec();
    driver.stop();
    if (code != 0 || !published) {
        out() << "failed: " << watch.m_lastStatus << Qt::endl;
        return 1;
    }
    out() << "total_ms " << watch.elapsed();
    for (const QString &phase : kPhases)
        out() << " | " << phase << ' ' << watch.largest().value(phase, -1);
    out() << Qt::endl;
    window.reset();
    addins.reset();
    application.reset();
    return 0;
}

// ---- driver ----------------------------------------------------------------------

QString loadAverage()
{
    QFile file("/proc/loadavg");
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(' ', 0, 2)
                                          : QStringLiteral("unknown");
}

int driver(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    QString work = QDir::tempPath() + "/bench-stall";
    QList<int> sizes{27, 70, 300};
    QString database;
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        const QString &option = arguments.at(i);
        const QString &value = arguments.at(i + 1);
        if (option == "--work")
            work = value;
        else if (option == "--database")
            database = value;
        else if (option == "--sizes") {
            sizes.clear();
            for (const QString &size : value.split(',', Qt::SkipEmptyParts))
                sizes << size.toInt();
        }
    }
    QDir().mkpath(work);
    out() << "largest stall of the UI thread per phase, ms (5 ms timer); load average "
          << loadAverage() << Qt::endl;
    int failed = 0;
    for (const int size : std::as_const(sizes)) {
        const QString web = QStringLiteral("%1/web-%2mb").arg(work).arg(size);
        if (!QFileInfo::exists(web + "/index.htm"))
            makeWebFolder(web, size);
        const QString location = database.isEmpty()
                                     ? QStringLiteral("%1/stall-%2.sqlite").arg(work).arg(size)
                                     : database;
        if (database.isEmpty()) {
            for (const char *suffix : {"", "-wal", "-shm"})
                QFile::remove(location + suffix);
        }
        prepareDatabase(location, web);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {"--run", web, location});
        child.waitForFinished(-1);
        const QString result = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
        qint64 archiveSize = 0;
        try {
            const std::unique_ptr<Dravo::Engine> engine = Dravo::Engine::open(location);
            archiveSize = Dravo::ActionPadStore(*engine).contentSize();
        } catch (const std::exception &) {
        }
        out() << QStringLiteral("%1 MB archive (%2): ")
                     .arg(double(archiveSize) / 1048576, 0, 'f', 1)
                     .arg(database.isEmpty() ? "SQLite" : "PostgreSQL")
              << result << Qt::endl;
        if (child.exitCode() != 0)
            ++failed;
        if (database.isEmpty()) {
            for (const char *suffix : {"", "-wal", "-shm"})
                QFile::remove(location + suffix);
        }
    }
    out() << "load average after: " << loadAverage() << Qt::endl;
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--run") == 0)
        return runChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    return driver(argc, argv);
}

#include "bench_stall.moc"
