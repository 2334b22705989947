#include "publish/archivefile.h"

#include "../datarows.h"

#include "platform/latebinding.h"

#include <QDir>

using Brimble::ArchiveRecord;
using namespace DataRows;

class tst_ArchiveFile : public QObject
{
    Q_OBJECT

private slots:
    void sourcePath_data()
    {
        columns<QString, QString>({"source", "path"});
        row("file in a subfolder", "/pads/img/a.gif", "/pads/img/");
        row("bare name has no folder", "a.gif", "");
        row("network path keeps both separators", "//server/share/a.htm", "//server/share/");
    }

    void sourcePath()
    {
        QFETCH(QString, source);
        QFETCH(QString, path);
        Brimble::ArchiveFile record; // the public class, used by name
        record.setSourceFilename(QDir::toNativeSeparators(source));
        QCOMPARE(Corvane::Platform::LateBinding::getProperty(&record, "SourcePath").toString(),
                 QDir::toNativeSeparators(path));
    }

    // The archive name is kept apart from the source name whichever is set first.
    void fieldsStayApart_data()
    {
        columns<QString, QString, QString>({"source", "name", "newSource"});
        row("name at the end of the source", "/pads/img/a.gif", "img/a.gif", "/other/b.gif");
        row("name not in the source", "/pads/a.gif", "b.gif", "/pads/b.gif");
        row("empty name", "/pads/a.gif", "", "/pads/x.gif");
    }

    void fieldsStayApart()
    {
        QFETCH(QString, source);
        QFETCH(QString, name);
        QFETCH(QString, newSource);
        ArchiveRecord record;
        record.setSourceFilename(source);
        record.setArchiveFilename(name);
        record.setDuplicateArchiveFileExists(true);
        record.setSourceFilename(newSource);
        QCOMPARE(record.ToString(), "[archivefile] af: " + name + ", src: " + newSource +
                                        ", duplicate: True, excluded: False");
    }

    // Sources equal without regard to case are found as one; a variant in
    // other letters is a record of its own, found by its exact name.
    void collectionFindsBySource()
    {
        Brimble::ArchiveFileCollection records;
        QList<bool> added;
        for (const char *source : {"/w/Ä.htm", "/w/ä.htm", "/w/ä.htm", "/w/b.htm", "/w/B.HTM"}) {
            ArchiveRecord record;
            record.setSourceFilename(QString::fromUtf8(source));
            added << records.add(record);
        }
        QCOMPARE(added, QList<bool>({true, true, false, true, true}));
        QCOMPARE(records.count(), 4);
        QCOMPARE(records.find(u"/w/ä.htm"), &records.at(1));
        QCOMPARE(records.find(u"/w/B.HTM"), &records.at(3));
        QCOMPARE(records.find(u"/W/Ä.HTM"), nullptr);
        QCOMPARE(records.findAnyCase(u"/W/ä.HTM"), &records.at(0));
        QCOMPARE(records.findAnyCase(u"/w/c.htm"), nullptr);
    }
};

QTEST_GUILESS_MAIN(tst_ArchiveFile)
#include "tst_archivefile.moc"
