// The host's utility object: the path forms the archiver relies on, file
// lookup without regard to case, and icons from a module's resources.

#include "host/impl/utility.h"
#include "platform/componentregistry.h"
#include "platform/runtimeerror.h"

#include <QTest>

using namespace Corvane;

namespace {
// An address inside this program, to find the program's module path.
void anchor() {}
} // namespace

class tst_Utility : public QObject
{
    Q_OBJECT

private:
    Host::Utility m_utility;

private slots:
    void parentFolder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("parent");
        QTest::newRow("file in a folder") << "/x/pads/index.htm"
                                          << "/x/pads";
        QTest::newRow("file in a subfolder") << "/x/pads/img/logo.gif"
                                             << "/x/pads/img";
        QTest::newRow("file in the root keeps the root") << "/index.htm"
                                                         << "/";
        QTest::newRow("bare name has no folder") << "index.htm"
                                                 << "";
        QTest::newRow("relative path") << "customers/index.htm"
                                       << "customers";
        QTest::newRow("folder with a trailing separator") << "/x/pads/"
                                                          << "/x";
        QTest::newRow("doubled separator") << "/x/pads//index.htm"
                                           << "/x/pads";
        QTest::newRow("network share") << "//server/share/a.htm"
                                       << "//server/share";
    }

    void parentFolder()
    {
        QFETCH(QString, path);
        QFETCH(QString, parent);
        QCOMPARE(m_utility.ParentFolder(path), parent);
    }

    void combinePath_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("combined");
        QTest::newRow("folder without separator") << "/x/pads"
                                                  << "*"
                                                  << "/x/pads/*";
        QTest::newRow("folder with separator") << "/x/pads/"
                                               << "index.htm"
                                               << "/x/pads/index.htm";
        QTest::newRow("name with a leading separator") << "/x/pads/"
                                                       << "/img/a.gif"
                                                       << "/x/pads/img/a.gif";
        QTest::newRow("root folder") << "/"
                                     << "index.htm"
                                     << "/index.htm";
        QTest::newRow("empty folder") << ""
                                      << "index.htm"
                                      << "index.htm";
        QTest::newRow("empty name") << "/x/pads/"
                                    << ""
                                    << "/x/pads";
    }

    void combinePath()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, combined);
        QCOMPARE(m_utility.CombinePath(folder, name), combined);
    }

    void moduleResourceName_data()
    {
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("name");
        QTest::newRow("shared library") << "/opt/corvane/lib/libcorvane-brimble.so"
                                        << "corvane-brimble";
        QTest::newRow("versioned library") << "/usr/lib/libcorvane-zip.so.1.2"
                                           << "corvane-zip";
        QTest::newRow("Windows library") << "C:/Corvane/CorvaneBrimble.dll"
                                         << "CorvaneBrimble";
        QTest::newRow("program keeps its lib prefix") << "/usr/bin/library-tool"
                                                      << "library-tool";
    }

    void moduleResourceName()
    {
        QFETCH(QString, module);
        QFETCH(QString, name);
        QCOMPARE(Host::Utility::moduleResourceName(module), name);
    }

    void iconFromTheModulesResources()
    {
        const QString module = Platform::modulePath(reinterpret_cast<const void *>(&anchor));
        QVERIFY(module.endsWith(QStringLiteral("tst_utility")));
        const QIcon icon = m_utility.LoadIconResource(module, QStringLiteral("probe"), 16, 16);
        const QImage image = icon.pixmap(4, 4).toImage();
        QCOMPARE(image.size(), QSize(4, 4));
        QCOMPARE(image.pixelColor(0, 0), QColor(0xff, 0xff, 0xff));
        QCOMPARE(image.pixelColor(1, 0), QColor(0x2a, 0x6e, 0xb4));
    }

    void missingIconFails()
    {
        const QString module = Platform::modulePath(reinterpret_cast<const void *>(&anchor));
        try {
            m_utility.LoadIconResource(module, QStringLiteral("nothing"), 16, 16);
            QFAIL("an icon that is not there was loaded");
        } catch (const Platform::RuntimeError &error) {
            QCOMPARE(error.number(), Platform::ErrorNumber::InvalidProcedureCall);
            QVERIFY(error.description().contains(
                QStringLiteral(":/modules/tst_utility/icons/nothing.")));
        }
    }
};

QTEST_MAIN(tst_Utility)
#include "tst_utility.moc"
