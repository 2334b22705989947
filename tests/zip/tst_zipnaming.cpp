#include "tests/datarows.h"
#include "zip/zipnaming.h"

#include <QTest>

using namespace Corvane::Zip;
using namespace DataRows;

class tst_ZipNaming : public QObject
{
    Q_OBJECT

private slots:
    void naming_data()
    {
        // preservePaths: the default name of the source path (0 or 1); -1: the name sanitised
        columns<QString, int, QString>({"name", "preservePaths", "entry"});
        row("path less its root", "/x/pads/logo.gif", 1, "x/pads/logo.gif");
        row("bare name", "/x/pads/logo.gif", 0, "logo.gif");
        row("network path less its two separators", "//server/share/a.htm", 1,
            "server/share/a.htm");
        row("backslashes become slashes", "img\\sub\\logo.gif", -1, "img/sub/logo.gif");
        row("absolute path loses its root", "/etc/passwd", -1, "etc/passwd");
        row("drive designator cut", "c:\\x\\pads\\a.htm", -1, "x/pads/a.htm");
        row("drive without separator cut", "D:a.htm", -1, "a.htm");
        row("network path", "\\\\srv\\share\\a.htm", -1, "srv/share/a.htm");
        row("parent parts dropped", "../../etc/passwd", -1, "etc/passwd");
        row("parent parts inside dropped", "a/../../b/./c.htm", -1, "a/b/c.htm");
        row("doubled separators", "a//b///c.htm", -1, "a/b/c.htm");
        row("folder entry loses its slash", "img/", -1, "img");
        row("dots in names kept", "..hidden/a..b.htm", -1, "..hidden/a..b.htm");
        row("unicode and spaces kept", "Bilder/ünï cödé.png", -1, "Bilder/ünï cödé.png");
        row("nothing left", "/../.", -1, "");
    }

    void naming()
    {
        QFETCH(QString, name);
        QFETCH(int, preservePaths);
        QTEST(preservePaths < 0 ? Naming::sanitise(name) : Naming::defaultName(name, preservePaths),
              "entry");
    }

    void alreadyCompressed_data()
    {
        columns<QStringList, bool>({"fileNames", "compressed"});
        row("images, archives, media, fonts",
            words("/web/img/logo.png PHOTO.JPG a.jpeg anim.gif "
                  "pic.webp font.woff font.woff2 bundle.zip app.js.gz doc.pdf song.mp3 clip.mp4"),
            true);
        row("text, and extensions of folders",
            words("index.html site.css app.js icon.svg "
                  "data.json README img.png/readme c:\\img.png\\readme"),
            false);
    }

    void alreadyCompressed()
    {
        QFETCH(QStringList, fileNames);
        QFETCH(bool, compressed);
        for (const QString &name : fileNames)
            QVERIFY2(Naming::isAlreadyCompressed(name) == compressed, qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(tst_ZipNaming)
#include "tst_zipnaming.moc"
