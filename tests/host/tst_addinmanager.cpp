// The add-in manager with real component libraries: the probe library in a
// folder of its own, and the real add-in when it has been built.

#include "../dravo/dravotest.h"
#include "../fakehost/debugcapture.h"
#include "unattendedcapture.h"

#include "dravo/engine.h"
#include "host/impl/addinmanager.h"
#include "host/impl/application.h"
#include "host/impl/configurationdialog.h"
#include "host/impl/database.h"
#include "host/impl/hostclasses.h"
#include "host/impl/unattendedmode.h"
#include "platform/componentregistry.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

using namespace Corvane;

namespace {

const QString kProbeFolder = QStringLiteral(PROBE_ADDIN_DIR);
const QStringList kProbeClasses = {
    QStringLiteral("CorvaneProbe.Addin"), QStringLiteral("CorvaneProbeBroken.Addin"),
    QStringLiteral("CorvaneProbe.Helper"), QStringLiteral("Elsewhere.Addin")};

QString probeLibrary(const char *name)
{
    return QFileInfo(kProbeFolder + QStringLiteral("/lib") + QLatin1String(name) +
                     QStringLiteral(".so"))
        .canonicalFilePath();
}

} // namespace

class tst_AddinManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Host::Application> m_application;
    std::unique_ptr<HostTest::UnattendedCapture> m_unattended;
    std::unique_ptr<FakeHost::DebugCapture> m_capture;

    QStringList recorded() const
    {
        QStringList lines;
        for (const QByteArray &line : std::as_const(m_capture->lines))
            lines.append(QString::fromUtf8(line));
        return lines;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!probeLibrary("corvane-probe-addin").isEmpty(), qPrintable(kProbeFolder));
    }

    void init()
    {
        // Every test starts with a registry that knows nothing of the probe.
        for (const QString &classId : kProbeClasses)
            Platform::ComponentRegistry::instance().unregisterServer(classId);
        m_application = std::make_unique<Host::Application>();
        m_unattended = std::make_unique<HostTest::UnattendedCapture>(*m_application);
        m_capture = std::make_unique<FakeHost::DebugCapture>();
    }

    void cleanup()
    {
        m_unattended.reset();
        m_application.reset();
        m_capture.reset();
    }

    void newcomerIsRegisteredOnce()
    {
        Host::AddinManager manager(*m_application, kProbeFolder);
        QCOMPARE(manager.registerNewcomers(), QStringList{probeLibrary("corvane-probe-addin")});
        QCOMPARE(Platform::ComponentRegistry::instance().serverPath(
                     QStringLiteral("CorvaneProbe.Addin")),
                 probeLibrary("corvane-probe-addin"));
        // The plain library exports no DllRegisterServer: nothing to register.
        QVERIFY(manager.registerNewcomers().isEmpty());
        QVERIFY(m_unattended->errors.isEmpty());
    }

    void addinsAreTheFoldersAddinClasses()
    {
        Platform::ComponentRegistry::instance().registerServer(
            QStringLiteral("Elsewhere.Addin"), QDir::temp().filePath(QStringLiteral("libx.so")));
        Host::AddinManager manager(*m_application, kProbeFolder);
        manager.registerNewcomers();
        QCOMPARE(manager.addinClasses(), (QStringList{QStringLiteral("CorvaneProbe.Addin"),
                                                      QStringLiteral("CorvaneProbeBroken.Addin")}));
    }

    void brokenAddinIsReportedAndSkipped()
    {
        Host::AddinManager manager(*m_application, kProbeFolder);
        manager.connectAll();
        QCOMPARE(manager.connectedAddins(), QStringList{QStringLiteral("CorvaneProbe.Addin")});
        QCOMPARE(QString::fromUtf8(m_unattended->errors),
                 QStringLiteral("The add-in CorvaneProbeBroken.Addin could not be connected and "
                                "is left out: the test add-in refuses to connect\n"));
        QCOMPARE(recorded(),
                 (QStringList{QStringLiteral("OnConnection"), QStringLiteral("OnConnection"),
                              QStringLiteral("OnStartupComplete")}));
    }

    void connectedAddinContributesItsPage()
    {
        Host::AddinManager manager(*m_application, kProbeFolder);
        manager.connectAll();
        Host::ConfigurationDialog dialog(*m_application);
        QVERIFY(dialog.loadPages());
        QVERIFY(dialog.findPage(QStringLiteral("probePage")));
    }

    void shutdownDisconnects()
    {
        {
            Host::AddinManager manager(*m_application, kProbeFolder);
            manager.connectAll();
            m_capture->lines.clear();
        }
        QCOMPARE(recorded(), (QStringList{QStringLiteral("OnBeginShutdown"),
                                          QStringLiteral("OnDisconnection")}));
        // Disconnected: the next dialog gets no page from it.
        Host::ConfigurationDialog dialog(*m_application);
        dialog.loadPages();
        QVERIFY(dialog.pages().isEmpty());
    }

    void realAddinContributesThePublishPage()
    {
        const QString folder = qEnvironmentVariable("CORVANE_ADDIN_DIR");
        if (!QFileInfo::exists(folder + QStringLiteral("/libcorvane-brimble.so")))
            QSKIP("libcorvane-brimble.so is not in CORVANE_ADDIN_DIR yet: build the add-in");
        DravoTest::ScratchDatabase scratch;
        Host::registerHostClasses();
        m_application->setDatabase(
            std::make_unique<Host::Database>(Dravo::Engine::create(scratch.location())));
        Host::AddinManager manager(*m_application, folder);
        manager.connectAll();
        QVERIFY2(manager.connectedAddins().contains(QStringLiteral("CorvaneBrimble.Addin")),
                 m_unattended->errors.constData());
        Host::ConfigurationDialog dialog(*m_application);
        QVERIFY(dialog.loadPages());
        QVERIFY2(m_unattended->errors.isEmpty(), m_unattended->errors.constData());
        bool found = false;
        for (QWidget *page : dialog.pages())
            found = found || page->findChild<QPushButton *>(QStringLiteral("cmdPublishActionPads"));
        QVERIFY(found);
    }
};

QTEST_MAIN(tst_AddinManager)
#include "tst_addinmanager.moc"
