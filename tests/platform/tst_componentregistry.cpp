#include "platform/componentregistry.h"
#include "platform/latebinding.h"
#include "tests/datarows.h"
#include "tests/platform/platformtest.h"

#include <QFileInfo>
#include <QLibrary>
#include <QSettings>
#include <QTemporaryDir>

using namespace Corvane::Platform;
using namespace DataRows;

namespace {

const QString kCounter = QStringLiteral("CorvaneTest.Counter");
const QString kLibrary = QFileInfo(QStringLiteral(TEST_COMPONENT_LIBRARY)).canonicalFilePath();

int canUnloadNow()
{
    const auto function =
        reinterpret_cast<DllCanUnloadNowFunction>(QLibrary::resolve(kLibrary, "DllCanUnloadNow"));
    return function ? function() : -1;
}

class Local final : public QObject
{
    Q_OBJECT
};

} // namespace

class tst_ComponentRegistry : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { cleanup(); } // in case an earlier run stopped half-way

    void cleanup()
    {
        m_registry.unregisterServer(kCounter);
        m_registry.unregisterFactory(kCounter);
    }

    void registersCreatesAndUnregistersLibrary()
    {
        m_registry.registerLibrary(kLibrary);
        QVERIFY(m_registry.isRegistered("corvanetest.COUNTER"));
        QVERIFY(m_registry.registeredServers().contains(kCounter));
        // In the user's (the sandbox's) settings, for a later process.
        const QString key = "Classes/corvanetest.counter/InprocServer";
        QCOMPARE(QSettings("Corvane", "Components").value(key).toString(), kLibrary);
        QCOMPARE(canUnloadNow(), 0);
        {
            const auto counter = m_registry.create("CORVANETEST.counter");
            QCOMPARE(LateBinding::call(counter.get(), "Increment", {"3"}).toInt(), 10);
            QCOMPARE(canUnloadNow(), 1);
        }
        QCOMPARE(canUnloadNow(), 0);
        m_registry.unregisterLibrary(kLibrary);
        QVERIFY(!m_registry.isRegistered(kCounter));
        QVERIFY(!QSettings("Corvane", "Components").contains(key));
    }

    void failures_data()
    {
        // registered: class -> file, when set; file: to register, below a temporary folder;
        // content: of that file, when set
        columns<QString, QString, QByteArray, int, QString>(
            {"registered", "file", "content", "number", "mentions"});
        row("class not registered", "", "", QByteArray(), 429, "\"CorvaneTest.Counter\"");
        row("library does not serve the class", kLibrary, "", QByteArray(), 429,
            "\"CorvaneTest.Other\"");
        row("missing file", "", "libmissing.so", QByteArray(), 53, "libmissing.so");
        row("not a library", "", "libtext.so", QByteArray("text\n"), 429, "libtext.so");
        row("library without the exports", "", PLATFORM_LIBRARY, QByteArray(), 429,
            PLATFORM_LIBRARY);
    }

    void failures()
    {
        QFETCH(QString, registered);
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, mentions);
        if (!registered.isEmpty())
            m_registry.registerServer(QStringLiteral("CorvaneTest.Other"), registered);
        QTemporaryDir dir;
        QFile library(QDir(dir.path()).filePath(file));
        if (!content.isEmpty())
            QVERIFY(library.open(QIODevice::WriteOnly) && library.write(content) &&
                    library.flush());
        QString description;
        QTEST(errorOf(
                  [&] {
                      if (file.isEmpty())
                          m_registry.create(registered.isEmpty() ? kCounter : "CorvaneTest.Other");
                      else
                          m_registry.registerLibrary(library.fileName());
                  },
                  &description),
              "number");
        m_registry.unregisterServer(QStringLiteral("CorvaneTest.Other"));
        QVERIFY2(description.contains(mentions), qPrintable(description));
    }

    void inProcessFactoryTakesPrecedence()
    {
        m_registry.registerLibrary(kLibrary);
        m_registry.registerFactory(kCounter, [] { return new Local; });
        QCOMPARE(m_registry.create(kCounter)->metaObject(), &Local::staticMetaObject);
        m_registry.unregisterFactory("corvanetest.counter");
        QVERIFY(m_registry.create(kCounter)->metaObject() != &Local::staticMetaObject);
    }

private:
    ComponentRegistry &m_registry = ComponentRegistry::instance();
};

QTEST_GUILESS_MAIN(tst_ComponentRegistry)
#include "tst_componentregistry.moc"
