// The add-in manager with real component libraries: the probe library in a folder of its
// own (the real add-in is loaded by the end-to-end tests and, installed, by the install test).
#include "../datarows.h"
#include "../fakehost/debugcapture.h"
#include "testaddin.h"
#include "unattendedcapture.h"

#include "host/impl/addinmanager.h"
#include "platform/componentregistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace Corvane;
using namespace DataRows;

namespace {

const QString kProbeFolder = PROBE_ADDIN_DIR;

QString probeLibrary()
{
    return QFileInfo(kProbeFolder + "/libcorvane-probe-addin.so").canonicalFilePath();
}

} // namespace

class tst_AddinManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Host::Application> m_application;
    std::unique_ptr<HostTest::UnattendedCapture> m_unattended;
    std::unique_ptr<FakeHost::DebugCapture> m_capture;

private slots:
    void initTestCase() { QVERIFY2(!probeLibrary().isEmpty(), qPrintable(kProbeFolder)); }

    void init()
    {
        // Every test starts with a registry that knows nothing of the probe.
        for (const char *classId : {"CorvaneProbe.Addin", "CorvaneProbeBroken.Addin",
                                    "CorvaneProbe.Helper", "Elsewhere.Addin", "Gone.Addin"})
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

    void newcomerIsRegisteredOnceAndOnlyTheFoldersAddinsCount()
    {
        Platform::ComponentRegistry::instance().registerServer(
            "Elsewhere.Addin", QCoreApplication::applicationFilePath());
        // Named twice (the second time through a detour): searched once.
        Host::AddinManager manager(*m_application, {kProbeFolder, kProbeFolder + "/../addins"});
        QCOMPARE(manager.folders(), QStringList{kProbeFolder});
        QCOMPARE(manager.registerNewcomers(), QStringList{probeLibrary()});
        QCOMPARE(Platform::ComponentRegistry::instance().serverPath("CorvaneProbe.Addin"),
                 probeLibrary());
        // The plain library exports no DllRegisterServer: nothing to register.
        QVERIFY(manager.registerNewcomers().isEmpty());
        QCOMPARE(manager.addinClasses(),
                 QStringList({"CorvaneProbe.Addin", "CorvaneProbeBroken.Addin"}));
        QVERIFY(m_unattended->errors.isEmpty());
    }

    // Registrations are per user and outlive the libraries: a class served from
    // elsewhere is registered again from the folder, a library that is gone
    // loses its registration; each said in one line, once.
    void staleRegistrationIsMendedInOneLine_data()
    {
        columns<QString, QString, QString, QString>({"classId", "oldPath", "newPath", "line"});
        const QString missing = QDir::temp().filePath("moved-away/libcorvane-probe-addin.so");
        row("add-in moved into the folder", "CorvaneProbe.Addin", missing, probeLibrary(),
            QString("Registered again from %1: CorvaneProbe.Addin (registered from %2 before)\n")
                .arg(probeLibrary(), missing));
        row("library removed", "Gone.Addin", missing, QString(),
            QString("The component library %1 is gone; its registration (Gone.Addin) is "
                    "dropped\n")
                .arg(missing));
    }

    void staleRegistrationIsMendedInOneLine()
    {
        QFETCH(QString, classId);
        QFETCH(QString, oldPath);
        QFETCH(QString, line);
        auto &registry = Platform::ComponentRegistry::instance();
        registry.registerServer(classId, oldPath);
        Host::AddinManager manager(*m_application, {kProbeFolder});
        manager.registerNewcomers();
        QTEST(registry.serverPath(classId), "newPath");
        QCOMPARE(QString::fromUtf8(m_unattended->errors), line);
        manager.registerNewcomers();
        QCOMPARE(QString::fromUtf8(m_unattended->errors), line);
    }

    void brokenAddinIsReportedAndSkipped()
    {
        {
            Host::AddinManager manager(*m_application, {kProbeFolder});
            manager.connectAll();
            QCOMPARE(manager.connectedAddins(), QStringList{"CorvaneProbe.Addin"});
            QCOMPARE(QString::fromUtf8(m_unattended->errors),
                     "The add-in CorvaneProbeBroken.Addin could not be connected and is left "
                     "out: the test add-in refuses to connect\n");
        }
        QCOMPARE(m_capture->lines,
                 QByteArrayList({"OnConnection", "OnConnection", "OnStartupComplete",
                                 "OnBeginShutdown", "OnDisconnection"}));
    }

    // Whatever an add-in throws while the host shuts down, the host goes on.
    void anyFailureAtShutdownIsReported()
    {
        auto &registry = Platform::ComponentRegistry::instance();
        registry.registerFactory("HostTest.Failing", [] {
            return new HostTest::TestAddin({.failDisconnection = true});
        });
        {
            Host::AddinManager manager(*m_application, {kProbeFolder});
            QVERIFY(manager.connectAddin("HostTest.Failing"));
        }
        registry.unregisterFactory("HostTest.Failing");
        QCOMPARE(QString::fromUtf8(m_unattended->errors),
                 "The add-in HostTest.Failing failed to disconnect: the test add-in's disk is "
                 "gone\n");
    }
};

QTEST_MAIN(tst_AddinManager)
#include "tst_addinmanager.moc"
