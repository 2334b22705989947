// The host's utility object: the path forms the archiver relies on and icons from a
// module's resources.
#include "../datarows.h"
#include "../platform/platformtest.h"

#include "host/impl/utility.h"
#include "platform/componentregistry.h"

using namespace Corvane;
using namespace DataRows;

namespace {
void anchor() {} // an address inside this program, to find its module path
} // namespace

class tst_Utility : public QObject
{
    Q_OBJECT

private:
    Host::Utility m_utility;

private slots:
    void parentFolder_data()
    {
        columns<QString, QString>({"path", "parent"});
        row("file in the root keeps the root", "/index.htm", "/");
        row("folder with a trailing separator", "/x/pads/", "/x");
        row("network share", "//server/share/a.htm", "//server/share");
    }

    void parentFolder()
    {
        QFETCH(QString, path);
        QTEST(m_utility.ParentFolder(path), "parent");
    }

    void combinePath_data()
    {
        columns<QString, QString, QString>({"folder", "name", "combined"});
        row("name with a leading separator", "/x/pads/", "/img/a.gif", "/x/pads/img/a.gif");
        row("root folder", "/", "index.htm", "/index.htm");
        row("empty folder", "", "index.htm", "index.htm");
    }

    void combinePath()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QTEST(m_utility.CombinePath(folder, name), "combined");
    }

    void iconFromTheModulesResources()
    {
        const QString module = Platform::modulePath(reinterpret_cast<const void *>(&anchor));
        QVERIFY(module.endsWith("tst_utility"));
        const QImage image =
            m_utility.LoadIconResource(module, "probe", 16, 16).pixmap(4, 4).toImage();
        QCOMPARE(image.pixelColor(0, 0), QColor(0xff, 0xff, 0xff));
        QCOMPARE(image.pixelColor(1, 0), QColor(0x2a, 0x6e, 0xb4));
        QString description;
        QCOMPARE(
            errorOf([&] { m_utility.LoadIconResource(module, "nothing", 16, 16); }, &description),
            Platform::ErrorNumber::InvalidProcedureCall);
        QVERIFY2(description.contains(":/modules/tst_utility/icons/nothing."),
                 qPrintable(description));
    }
};

QTEST_MAIN(tst_Utility)
#include "tst_utility.moc"
