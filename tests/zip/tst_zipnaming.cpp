#include "zip/zipnaming.h"

#include <QTest>

using namespace Corvane::Zip;

class TestZipNaming : public QObject
{
    Q_OBJECT

private slots:
    void splitFileList_data();
    void splitFileList();
    void defaultName_data();
    void defaultName();
    void sanitise_data();
    void sanitise();
    void alreadyCompressed_data();
    void alreadyCompressed();
};

void TestZipNaming::splitFileList_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("empty list") << QString() << QStringList();
    QTest::newRow("one folder") << "|/web/pads/*" << QStringList{"/web/pads/*"};
    QTest::newRow("folder and file in order")
        << "|/web/b/*|/web/a/index.htm" << QStringList{"/web/b/*", "/web/a/index.htm"};
    QTest::newRow("spaces kept") << "|/web/my pads /*" << QStringList{"/web/my pads /*"};
    QTest::newRow("empty entries dropped") << "||/a/*||" << QStringList{"/a/*"};
}

void TestZipNaming::splitFileList()
{
    QFETCH(QString, list);
    QFETCH(QStringList, entries);
    QCOMPARE(Naming::splitFileList(list), entries);
}

void TestZipNaming::defaultName_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("preservePaths");
    QTest::addColumn<QString>("name");
    QTest::newRow("path less its root") << "/x/pads/img/logo.gif" << true << "x/pads/img/logo.gif";
    QTest::newRow("bare name") << "/x/pads/img/logo.gif" << false << "logo.gif";
    QTest::newRow("network path less its two separators")
        << "//server/share/a.htm" << true << "server/share/a.htm";
    QTest::newRow("relative path unchanged") << "pads/a.htm" << true << "pads/a.htm";
    QTest::newRow("name without folder") << "a.htm" << false << "a.htm";
}

void TestZipNaming::defaultName()
{
    QFETCH(QString, source);
    QFETCH(bool, preservePaths);
    QFETCH(QString, name);
    QCOMPARE(Naming::defaultName(source, preservePaths), name);
}

void TestZipNaming::sanitise_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("entry");
    QTest::newRow("relative name unchanged") << "img/logo.gif"
                                             << "img/logo.gif";
    QTest::newRow("backslashes become slashes") << "img\\sub\\logo.gif"
                                                << "img/sub/logo.gif";
    QTest::newRow("absolute path loses its root") << "/etc/passwd"
                                                  << "etc/passwd";
    QTest::newRow("drive designator cut") << "c:\\x\\pads\\a.htm"
                                          << "x/pads/a.htm";
    QTest::newRow("drive without separator cut") << "D:a.htm"
                                                 << "a.htm";
    QTest::newRow("network path") << "\\\\srv\\share\\a.htm"
                                  << "srv/share/a.htm";
    QTest::newRow("parent parts dropped") << "../../etc/passwd"
                                          << "etc/passwd";
    QTest::newRow("parent parts inside dropped") << "a/../../b/./c.htm"
                                                 << "a/b/c.htm";
    QTest::newRow("doubled separators") << "a//b///c.htm"
                                        << "a/b/c.htm";
    QTest::newRow("folder entry loses its slash") << "img/"
                                                  << "img";
    QTest::newRow("dots in names kept") << "..hidden/a..b.htm"
                                        << "..hidden/a..b.htm";
    QTest::newRow("unicode and spaces kept") << "Bilder/ünï cödé.png"
                                             << "Bilder/ünï cödé.png";
    QTest::newRow("nothing left") << "/../."
                                  << "";
}

void TestZipNaming::sanitise()
{
    QFETCH(QString, name);
    QFETCH(QString, entry);
    QCOMPARE(Naming::sanitise(name), entry);
}

void TestZipNaming::alreadyCompressed_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("compressed");
    QTest::newRow("png") << "/web/img/logo.png" << true;
    QTest::newRow("upper-case JPG") << "/web/img/PHOTO.JPG" << true;
    QTest::newRow("jpeg") << "a.jpeg" << true;
    QTest::newRow("woff2") << "fonts/x.woff2" << true;
    QTest::newRow("gz") << "app.js.gz" << true;
    QTest::newRow("pdf") << "doc.pdf" << true;
    QTest::newRow("mp4") << "clip.mp4" << true;
    QTest::newRow("html") << "index.html" << false;
    QTest::newRow("css") << "site.css" << false;
    QTest::newRow("svg") << "icon.svg" << false;
    QTest::newRow("no extension") << "README" << false;
    QTest::newRow("dot in folder only") << "img.png/readme" << false;
    QTest::newRow("dot in backslash folder only") << "c:\\img.png\\readme" << false;
}

void TestZipNaming::alreadyCompressed()
{
    QFETCH(QString, fileName);
    QFETCH(bool, compressed);
    QCOMPARE(Naming::isAlreadyCompressed(fileName), compressed);
}

QTEST_GUILESS_MAIN(TestZipNaming)
#include "tst_zipnaming.moc"
