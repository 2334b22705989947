#include "zip/zipcomponent.h"
#include "ziptestsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Corvane::Zip;
using namespace ZipTest;

// More than 65,535 entries: the archive needs zip64 end records.
class tst_ZipZip64 : public QObject
{
    Q_OBJECT

private slots:
    void moreThan65535Entries()
    {
        // 1,000 files listed 70 times; the handler gives each report its own name.
        constexpr int Lists = 70, FilesPerList = 1000, Entries = Lists * FilesPerList;
        QTemporaryDir dir;
        for (int file = 0; file < FilesPerList; ++file)
            writeFile(dir.filePath(QString("pads/p%1.htm").arg(file, 4, 10, QChar('0'))),
                      QByteArray::number(file));
        ZipComponent zip;
        zip.setFilesToProcess(QString("|" + dir.filePath("pads") + "/*").repeated(Lists));
        zip.setArchivePath(dir.filePath("many.zip"));
        int preprocessed = 0;
        connect(&zip, &ZipComponent::ZipPreprocessingFile, &zip, [&](QString *sFilename) {
            *sFilename = QString("l%1/%2").arg(preprocessed++ / FilesPerList).arg(*sFilename);
        });
        const QList<QVariant> completed = zipToEnd(zip, false, false, 600000);
        QCOMPARE(completed.at(8).toInt(), ZipResult::Success);
        QCOMPARE(completed.at(1).toInt(), Entries);
        // The zip64 end record, its locator, then the classic record that points to them.
        QFile archive(zip.archivePath());
        QVERIFY(archive.open(QIODevice::ReadOnly) && archive.seek(archive.size() - 22 - 20 - 56));
        QCOMPARE(archive.readAll().left(4), QByteArray("PK\x06\x06", 4));
        const ToolResult info = run("zipinfo", {"-t", zip.archivePath()});
        QVERIFY2(info.output.startsWith(QString::number(Entries) + " files"),
                 qPrintable(info.output));
        const ToolResult test = run("unzip", {"-tq", zip.archivePath()});
        QVERIFY2(test.exitCode == 0, qPrintable(test.output));
    }
};

QTEST_GUILESS_MAIN(tst_ZipZip64)
#include "tst_zipzip64.moc"
