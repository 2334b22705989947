#include "tests/datarows.h"
#include "zip/zipnaming.h"

#include <QTest>

using namespace Corvane::Zip;
using namespace DataRows;

class tst_ZipNaming : public QObject
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
