#include "platform/componentregistry.h"
#include "platform/latebinding.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Corvane::Platform;

namespace {

const QString kCounter = QStringLiteral("CorvaneTest.Counter");

QString libraryPath()
{
    return QFileInfo(QStringLiteral(TEST_COMPONENT_LIBRARY)).canonicalFilePath();
}

int errorOf(const std::function<void()> &body, QString *description = nullptr)
{
    try {
        body();
    } catch (const RuntimeError &error) {
        if (description)
            *description = error.description();
        return error.number();
    }
    return 0;
}

int canUnloadNow()
{
    const auto function = reinterpret_cast<DllCanUnloadNowFunction>(
        QLibrary::resolve(libraryPath(), "DllCanUnloadNow"));
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
    void initTestCase();
    void cleanup();
    void registersCreatesAndUnregistersLibrary();
    void registrationsPersistPerUser();
    void unregisteredClassIsError429();
    void badLibraries_data();
    void badLibraries();
    void inProcessFactoryTakesPrecedence();

private:
    ComponentRegistry &m_registry = ComponentRegistry::instance();
};

void tst_ComponentRegistry::initTestCase()
{
    QVERIFY2(!libraryPath().isEmpty(), TEST_COMPONENT_LIBRARY);
    // The sandbox holds the registrations, never the real user's settings.
    QVERIFY(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"));
    cleanup(); // in case an earlier run stopped half-way
    QVERIFY(!m_registry.isRegistered(kCounter));
}

void tst_ComponentRegistry::cleanup()
{
    m_registry.unregisterServer(kCounter);
    m_registry.unregisterFactory(kCounter);
}

void tst_ComponentRegistry::registersCreatesAndUnregistersLibrary()
{
    m_registry.registerLibrary(libraryPath());
    QVERIFY(m_registry.isRegistered(QStringLiteral("corvanetest.COUNTER")));
    QCOMPARE(m_registry.serverPath(kCounter), libraryPath());
    QVERIFY(m_registry.registeredServers().contains(kCounter));

    QCOMPARE(canUnloadNow(), 0);
    {
        std::unique_ptr<QObject> counter = m_registry.create(QStringLiteral("CORVANETEST.counter"));
        QVERIFY(counter);
        QCOMPARE(LateBinding::getProperty(counter.get(), "Value").toInt(), 7);
        QCOMPARE(LateBinding::call(counter.get(), "Increment", {QStringLiteral("3")}).toInt(), 10);
        QCOMPARE(canUnloadNow(), 1);
    }
    QCOMPARE(canUnloadNow(), 0);

    m_registry.unregisterLibrary(libraryPath());
    QVERIFY(!m_registry.isRegistered(kCounter));
    QVERIFY(m_registry.serverPath(kCounter).isEmpty());
    QCOMPARE(errorOf([&] { m_registry.create(kCounter); }), ErrorNumber::CannotCreateObject);
}

void tst_ComponentRegistry::registrationsPersistPerUser()
{
    m_registry.registerLibrary(libraryPath());

    // A second reader of the store (as a later process would be) sees the registration...
    const QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                          QStringLiteral("Components"));
    QCOMPARE(store.value(QStringLiteral("Classes/corvanetest.counter/InprocServer")).toString(),
             libraryPath());
    // ...which lives below the user's (here: the sandbox's) config folder.
    const QString configHome = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).canonicalPath();
    QVERIFY2(QFileInfo(store.fileName()).canonicalFilePath().startsWith(configHome + u'/'),
             qPrintable(store.fileName()));
    QVERIFY(QFileInfo::exists(store.fileName()));

    m_registry.unregisterLibrary(libraryPath());
    const QSettings after(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                          QStringLiteral("Components"));
    QVERIFY(!after.contains(QStringLiteral("Classes/corvanetest.counter/InprocServer")));
}

void tst_ComponentRegistry::unregisteredClassIsError429()
{
    QString description;
    QCOMPARE(
        errorOf([&] { m_registry.create(QStringLiteral("CorvaneBrimble.Missing")); }, &description),
        ErrorNumber::CannotCreateObject);
    QVERIFY2(description.contains(QLatin1String("\"CorvaneBrimble.Missing\"")),
             qPrintable(description));

    // A registration that names a library which does not serve the class.
    m_registry.registerServer(QStringLiteral("CorvaneTest.Other"), libraryPath());
    QCOMPARE(errorOf([&] { m_registry.create(QStringLiteral("CorvaneTest.Other")); }, &description),
             ErrorNumber::CannotCreateObject);
    QVERIFY2(description.contains(QLatin1String("\"CorvaneTest.Other\"")), qPrintable(description));
    m_registry.unregisterServer(QStringLiteral("CorvaneTest.Other"));
}

void tst_ComponentRegistry::badLibraries_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("number");
    QTest::newRow("missing file") << "libmissing.so" << QByteArray() << 53;
    QTest::newRow("not a library") << "libtext.so" << QByteArray("just text\n") << 429;
    QTest::newRow("library without the exports")
        << QStringLiteral(PLATFORM_LIBRARY) << QByteArray() << 429;
}

void tst_ComponentRegistry::badLibraries()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(int, number);
    QTemporaryDir dir;
    const QString path = QDir::isAbsolutePath(fileName) ? fileName : dir.filePath(fileName);
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QString description;
    QCOMPARE(errorOf([&] { m_registry.registerLibrary(path); }, &description), number);
    QVERIFY2(description.contains(path), qPrintable(description));
}

void tst_ComponentRegistry::inProcessFactoryTakesPrecedence()
{
    m_registry.registerLibrary(libraryPath());
    m_registry.registerFactory(kCounter, [] { return new Local; });
    QCOMPARE(m_registry.create(kCounter)->metaObject(), &Local::staticMetaObject);

    m_registry.unregisterFactory(QStringLiteral("corvanetest.counter"));
    QVERIFY(m_registry.create(kCounter)->metaObject() != &Local::staticMetaObject);
}

QTEST_GUILESS_MAIN(tst_ComponentRegistry)
#include "tst_componentregistry.moc"
