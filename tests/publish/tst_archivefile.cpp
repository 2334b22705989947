#include "publish/archivefile.h"

#include "../datarows.h"

#include "platform/latebinding.h"

#include <QDir>

using Brimble::ArchiveFile;
using namespace DataRows;

class tst_ArchiveFile : public QObject
{
    Q_OBJECT

private slots:
    void sourcePath_data()
    {
        columns<QString, QString>({"source", "path"});
        row("file in a subfolder", "/pads/img/a.gif", "/pads/img/");
        row("file in the root", "/a.gif", "/");
        row("bare name has no folder", "a.gif", "");
        row("network path keeps both separators", "//server/share/a.htm", "//server/share/");
        row("trailing separator is the whole text", "/pads/", "/pads/");
    }

    void sourcePath()
    {
        QFETCH(QString, source);
        QFETCH(QString, path);
        ArchiveFile record;
        record.setSourceFilename(QDir::toNativeSeparators(source));
        // The duplicates dialog asks for it by name.
        QCOMPARE(Corvane::Platform::LateBinding::getProperty(&record, "SourcePath").toString(),
                 QDir::toNativeSeparators(path));
    }
};

QTEST_GUILESS_MAIN(tst_ArchiveFile)
#include "tst_archivefile.moc"
