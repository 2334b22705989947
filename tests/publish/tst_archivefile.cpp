#include "publish/archivefile.h"

#include "platform/latebinding.h"
#include "platform/paths.h"

#include <QTest>

using Brimble::ArchiveFile;

namespace {

// Test paths are written with '/' and turned into the platform's form.
QString native(QString path)
{
    return path.replace(QLatin1Char('/'), Corvane::Platform::Paths::separator());
}

} // namespace

class tst_ArchiveFile : public QObject
{
    Q_OBJECT

private slots:
    void newRecordIsEmpty()
    {
        const ArchiveFile record;
        QCOMPARE(record.SourceFilename(), QString());
        QCOMPARE(record.ArchiveFilename(), QString());
        QCOMPARE(record.IsExcluded(), false);
        QCOMPARE(record.DuplicateArchiveFileExists(), false);
        QCOMPARE(record.SourcePath(), QString());
    }

    void sourcePath_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("path");
        QTest::newRow("file in a subfolder") << native("/pads/img/a.gif") << native("/pads/img/");
        QTest::newRow("file in the root") << native("/a.gif") << native("/");
        QTest::newRow("bare name has no folder") << "a.gif" << QString();
        QTest::newRow("network path keeps both separators")
            << native("//server/share/a.htm") << native("//server/share/");
        QTest::newRow("trailing separator is the whole text")
            << native("/pads/") << native("/pads/");
    }

    void sourcePath()
    {
        QFETCH(QString, source);
        QFETCH(QString, path);
        ArchiveFile record;
        record.setSourceFilename(source);
        QCOMPARE(record.SourcePath(), path);
        // The duplicates dialog asks for it by name.
        QCOMPARE(Corvane::Platform::LateBinding::getProperty(&record, "SourcePath").toString(),
                 path);
    }

    void toString_data()
    {
        QTest::addColumn<QString>("archiveName");
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("duplicate");
        QTest::addColumn<bool>("excluded");
        QTest::addColumn<QString>("line");
        QTest::newRow("duplicate, included")
            << "index.htm"
            << "C:\\pads\\index.htm" << true << false
            << "[archivefile] af: index.htm, src: C:\\pads\\index.htm, duplicate: True, "
               "excluded: False";
        QTest::newRow("excluded only") << "img/a.gif"
                                       << "/w/img/a.gif" << false << true
                                       << "[archivefile] af: img/a.gif, src: /w/img/a.gif, "
                                          "duplicate: False, excluded: True";
        QTest::newRow("empty record") << QString() << QString() << false << false
                                      << "[archivefile] af: , src: , duplicate: False, "
                                         "excluded: False";
    }

    void toString()
    {
        QFETCH(QString, archiveName);
        QFETCH(QString, source);
        QFETCH(bool, duplicate);
        QFETCH(bool, excluded);
        QFETCH(QString, line);
        ArchiveFile record;
        record.setArchiveFilename(archiveName);
        record.setSourceFilename(source);
        record.setDuplicateArchiveFileExists(duplicate);
        record.setIsExcluded(excluded);
        QCOMPARE(record.ToString(), line);
        QCOMPARE(Corvane::Platform::LateBinding::call(&record, "ToString").toString(), line);
    }

    void settersChangeOnlyTheirField()
    {
        ArchiveFile record;
        record.setDuplicateArchiveFileExists(true);
        record.setArchiveFilename(QStringLiteral("other.htm"));
        QCOMPARE(record.DuplicateArchiveFileExists(), true);
        QCOMPARE(record.IsExcluded(), false);
        record.setIsExcluded(true);
        record.setSourceFilename(native("/x/other.htm"));
        QCOMPARE(record.ArchiveFilename(), QStringLiteral("other.htm"));
        QCOMPARE(record.IsExcluded(), true);
        QCOMPARE(record.DuplicateArchiveFileExists(), true);
    }
};

QTEST_GUILESS_MAIN(tst_ArchiveFile)
#include "tst_archivefile.moc"
