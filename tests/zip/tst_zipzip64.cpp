#include "zip/zipcomponent.h"
#include "ziptestsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Corvane::Zip;
using namespace ZipTest;

// Archives beyond the classic zip limits: more than 65,535 entries, and (on
// request, since it takes minutes and gigabytes) an entry over 4 GiB.
class TestZipZip64 : public QObject
{
    Q_OBJECT

private slots:
    void moreThan65535Entries()
    {
#if defined(__SANITIZE_ADDRESS__)
        // zlib's per-entry buffers make this take minutes under AddressSanitizer.
        QSKIP("too slow under AddressSanitizer");
#endif
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
            *sFilename = QString("l%1/%2")
                             .arg(preprocessed++ / FilesPerList, 2, 10, QChar('0'))
                             .arg(*sFilename);
        });
        const QList<QVariant> completed = zipToEnd(zip, 600000);
        QCOMPARE(completed.at(8).toInt(), ZipResult::Success);
        QCOMPARE(completed.at(1).toInt(), Entries);

        // The classic end record says "see the zip64 record" (0xFFFF entries), and
        // the zip64 end record and its locator precede it.
        QFile archive(zip.archivePath());
        QVERIFY(archive.open(QIODevice::ReadOnly) && archive.seek(archive.size() - 22 - 20 - 56));
        const QByteArray tail = archive.readAll();
        QVERIFY(tail.startsWith(QByteArray("PK\x06\x06", 4)));
        QCOMPARE(tail.mid(56, 4), QByteArray("PK\x06\x07", 4));
        QCOMPARE(tail.mid(76, 4), QByteArray("PK\x05\x06", 4));
        QCOMPARE(tail.mid(76 + 10, 2), QByteArray("\xff\xff", 2));

        const ToolResult info = run("zipinfo", {"-t", zip.archivePath()});
        QVERIFY2(info.exitCode == 0 && info.output.startsWith(QString::number(Entries) + " files"),
                 qPrintable(info.output));
        const ToolResult test = run("unzip", {"-tq", zip.archivePath()});
        QVERIFY2(test.exitCode == 0, qPrintable(test.output));
        const ToolResult names = run("zipinfo", {"-1", zip.archivePath()});
        QVERIFY(names.output.endsWith("\nl69/p0999.htm\n"));
    }

    void entryOverFourGiB()
    {
        if (qEnvironmentVariable("CORVANE_ZIP_LARGE_FILE_TEST") != QLatin1String("1"))
            QSKIP("set CORVANE_ZIP_LARGE_FILE_TEST=1 to zip a 4.5 GiB file (minutes)");
        QTemporaryDir dir;
        const qint64 size = (qint64(9) << 29); // 4.5 GiB, sparse
        writeFile(dir.filePath("pads/small.htm"), "small");
        QFile big(dir.filePath("pads/big.bin"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(size));
        big.close();
        ZipComponent zip;
        zip.setFilesToProcess("|" + dir.filePath("pads") + "/*");
        zip.setArchivePath(dir.filePath("big.zip"));
        const QList<QVariant> completed = zipToEnd(zip, 600000);
        QCOMPARE(completed.at(8).toInt(), ZipResult::Success);
        QCOMPARE(completed.at(4).toLongLong(), size + 5);
        const ToolResult test = run("unzip", {"-tq", zip.archivePath()});
        QVERIFY2(test.exitCode == 0, qPrintable(test.output));
        const ToolResult info = run("zipinfo", {zip.archivePath()});
        QVERIFY2(info.output.contains(QString::number(size) + " "), qPrintable(info.output));
    }
};

QTEST_GUILESS_MAIN(TestZipZip64)
#include "tst_zipzip64.moc"
