#include "publish/win32apiwrapper.h"

#include <QDir>
#include <QSet>
#include <QTest>

using Brimble::Win32APIWrapper::MakeTempFileName;

class tst_MakeTempFileName : public QObject
{
    Q_OBJECT

private slots:
    void everyCallGivesANewEmptyFileInTheTemporaryFolder()
    {
        QSet<QString> names; // two publishes in a row must not share their archive
        for (int i = 0; i < 50; ++i) {
            const QFileInfo info(MakeTempFileName("tmp"));
            QVERIFY2(info.isFile() && info.size() == 0, qPrintable(info.filePath()));
            QVERIFY(info.fileName().startsWith("tmp"));
            QCOMPARE(info.dir().canonicalPath(), QDir(QDir::tempPath()).canonicalPath());
            names.insert(info.filePath());
        }
        QCOMPARE(names.size(), 50);
        for (const QString &path : std::as_const(names))
            QVERIFY(QFile::remove(path));
    }

    void missingTemporaryFolderGivesAnEmptyText()
    {
        const QByteArray saved = qgetenv("TMPDIR");
        qputenv("TMPDIR", QDir::tempPath().toUtf8() + "/no/such/folder");
        const QString path = MakeTempFileName("tmp");
        qputenv("TMPDIR", saved);
        QCOMPARE(path, QString());
    }
};

QTEST_GUILESS_MAIN(tst_MakeTempFileName)
#include "tst_maketempfilename.moc"
