// The add-in library as the host meets it: registered through its own
// DllRegisterServer, loaded by the component registry, serving its public
// classes by class identifier.
#include "tests/fakehost/fakehost.h"

#include "addin/applicationmanager.h"
#include "host/api/addinconnection.h"
#include "host/api/propertypage.h"
#include "platform/componentregistry.h"
#include "platform/runtimeerror.h"

#include <QApplication>
#include <QLibrary>
#include <QTest>
#include <QWidget>

#include <memory>

using Corvane::Platform::ComponentRegistry;

namespace {

QString libraryPath()
{
    return QStringLiteral(CORVANE_BINARY_DIR "/lib/libcorvane-brimble.so");
}

} // namespace

class tst_Library : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::exists(libraryPath()));
        ComponentRegistry::instance().registerLibrary(libraryPath());
    }

    void cleanupTestCase() { ComponentRegistry::instance().unregisterLibrary(libraryPath()); }

    void servesEveryPublicClass_data()
    {
        QTest::addColumn<QString>("classId");
        QTest::addColumn<QString>("className");
        QTest::newRow("add-in") << "CorvaneBrimble.Addin"
                                << "Brimble::Addin";
        QTest::newRow("page") << "CorvaneBrimble.ucActionPadEditor"
                              << "Brimble::ucActionPadEditor";
        QTest::newRow("action pad") << "CorvaneBrimble.actionPad"
                                    << "Brimble::actionPad";
        QTest::newRow("data engine wrapper") << "CorvaneBrimble.DravoWrapper"
                                             << "Brimble::DravoWrapper";
        QTest::newRow("archiver") << "CorvaneBrimble.ActionPadArchiver"
                                  << "Brimble::ActionPadArchiver";
        QTest::newRow("archive file") << "CorvaneBrimble.ArchiveFile"
                                      << "Brimble::ArchiveFile";
        QTest::newRow("anchoring") << "CorvaneBrimble.ControlResizer"
                                   << "Brimble::ControlResizer";
        QTest::newRow("identifiers ignore letter case") << "corvanebrimble.ADDIN"
                                                        << "Brimble::Addin";
    }

    void servesEveryPublicClass()
    {
        QFETCH(QString, classId);
        QFETCH(QString, className);
        QCOMPARE(QFileInfo(ComponentRegistry::instance().serverPath(classId)).canonicalFilePath(),
                 QFileInfo(libraryPath()).canonicalFilePath());
        const std::unique_ptr<QObject> object = ComponentRegistry::instance().create(classId);
        QVERIFY(object);
        QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
    }

    void contractsOfTheHostFacingClasses()
    {
        const auto addin = ComponentRegistry::instance().create("CorvaneBrimble.Addin");
        QVERIFY(qobject_cast<Corvane::Host::IDTExtensibility2 *>(addin.get()));
        const auto page = ComponentRegistry::instance().create("CorvaneBrimble.ucActionPadEditor");
        QVERIFY(qobject_cast<Corvane::Host::IPropertyPage *>(page.get()));
        QVERIFY(qobject_cast<QWidget *>(page.get()));
    }

    void canUnloadOnlyWithoutLiveObjects()
    {
        QLibrary library(libraryPath());
        QVERIFY(library.load());
        auto canUnloadNow = reinterpret_cast<Corvane::Platform::DllCanUnloadNowFunction>(
            library.resolve("DllCanUnloadNow"));
        QVERIFY(canUnloadNow);
        QCOMPARE(canUnloadNow(), 0);
        auto record = ComponentRegistry::instance().create("CorvaneBrimble.actionPad");
        QCOMPARE(canUnloadNow(), 1);
        record.reset();
        QCOMPARE(canUnloadNow(), 0);
    }

    void hostConnectsToTheRegisteredAddin()
    {
        FakeHost::Host host;
        const auto object = ComponentRegistry::instance().create("CorvaneBrimble.Addin");
        auto *addin = qobject_cast<Corvane::Host::IDTExtensibility2 *>(object.get());
        QVERIFY(addin);
        QVariantList custom;
        addin->OnConnection(&host.application, 0, nullptr, custom);

        FakeHost::Pages pages;
        bool cancel = false;
        host.application.raiseBeforeConfigure(&pages, &cancel);
        QCOMPARE(pages.Count(), 1);
        QVERIFY(qobject_cast<Corvane::Host::IPropertyPage *>(pages.pages.first()));

        addin->OnDisconnection(0, custom);
        QVERIFY(!Brimble::ApplicationManager::IsInitialized());
    }
};

QTEST_MAIN(tst_Library)
#include "tst_library.moc"
