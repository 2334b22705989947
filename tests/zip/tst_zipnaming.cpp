#include "tests/datarows.h"
#include "zip/zipnaming.h"

#include <QTest>

using namespace Corvane::Zip;
using namespace DataRows;

class TestZipNaming : public QObject
{
    Q_OBJECT

private slots:
    void defaultName_data()
    {
        columns<QString, bool, QString>({"source", "preservePaths", "name"});
        row("path less its root", "/x/pads/logo.gif", true, "x/pads/logo.gif");
        row("bare name", "/x/pads/logo.gif", false, "logo.gif");
        row("network path less its two separators", "//server/share/a.htm", true,
            "server/share/a.htm");
        row("relative path unchanged", "pads/a.htm", true, "pads/a.htm");
    }

    void defaultName()
    {
        QFETCH(QString, source);
        QFETCH(bool, preservePaths);
        QTEST(Naming::defaultName(source, preservePaths), "name");
    }

    void sanitise_data()
    {
        columns<QString, QString>({"name", "entry"});
        row("relative name unchanged", "img/logo.gif", "img/logo.gif");
        row("backslashes become slashes", "img\\sub\\logo.gif", "img/sub/logo.gif");
        row("absolute path loses its root", "/etc/passwd", "etc/passwd");
        row("drive designator cut", "c:\\x\\pads\\a.htm", "x/pads/a.htm");
        row("drive without separator cut", "D:a.htm", "a.htm");
        row("network path", "\\\\srv\\share\\a.htm", "srv/share/a.htm");
        row("parent parts dropped", "../../etc/passwd", "etc/passwd");
        row("parent parts inside dropped", "a/../../b/./c.htm", "a/b/c.htm");
        row("doubled separators", "a//b///c.htm", "a/b/c.htm");
        row("folder entry loses its slash", "img/", "img");
        row("dots in names kept", "..hidden/a..b.htm", "..hidden/a..b.htm");
        row("unicode and spaces kept", "Bilder/ünï cödé.png", "Bilder/ünï cödé.png");
        row("nothing left", "/../.", "");
    }

    void sanitise()
    {
        QFETCH(QString, name);
        QTEST(Naming::sanitise(name), "entry");
    }

    void alreadyCompressed_data()
    {
        columns<QString, bool>({"fileName", "compressed"});
        for (const char *name :
             {"/web/img/logo.png", "PHOTO.JPG", "a.jpeg", "anim.gif", "pic.webp", "font.woff",
              "font.woff2", "bundle.zip", "app.js.gz", "doc.pdf", "song.mp3", "clip.mp4"})
            QTest::newRow(name) << QString::fromUtf8(name) << true;
        for (const char *name : {"index.html", "site.css", "app.js", "icon.svg", "data.json",
                                 "README", "img.png/readme", "c:\\img.png\\readme"})
            QTest::newRow(name) << QString::fromUtf8(name) << false;
    }

    void alreadyCompressed()
    {
        QFETCH(QString, fileName);
        QTEST(Naming::isAlreadyCompressed(fileName), "compressed");
    }
};

QTEST_GUILESS_MAIN(TestZipNaming)
#include "tst_zipnaming.moc"
