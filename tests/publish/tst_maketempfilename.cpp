#include "publish/win32apiwrapper.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTest>

using Brimble::Win32APIWrapper::MakeTempFileName;

class tst_MakeTempFileName : public QObject
{
    Q_OBJECT

private slots:
    void createsAnEmptyFileInTheTemporaryFolder()
    {
        const QString path = MakeTempFileName(QStringLiteral("tmp"));
        QVERIFY(!path.isEmpty());
        const QFileInfo info(path);
        QVERIFY2(info.isFile(), qPrintable(path));
        QCOMPARE(info.size(), 0);
        QVERIFY(info.fileName().startsWith(QLatin1String("tmp")));
        QCOMPARE(QDir(info.absolutePath()).canonicalPath(), QDir(QDir::tempPath()).canonicalPath());
        QVERIFY(QFile::remove(path));
    }

    void everyCallGivesANewFile()
    {
        // Two publishes in a row must not share their archive.
        QSet<QString> names;
        for (int i = 0; i < 50; ++i) {
            const QString path = MakeTempFileName(QStringLiteral("tmp"));
            QVERIFY(QFileInfo(path).isFile());
            names.insert(path);
        }
        QCOMPARE(names.size(), 50);
        for (const QString &path : std::as_const(names))
            QFile::remove(path);
    }

    void missingTemporaryFolderGivesAnEmptyText()
    {
        const QByteArray saved = qgetenv("TMPDIR");
        qputenv("TMPDIR", QDir::tempPath().toUtf8() + "/no/such/folder");
        const QString path = MakeTempFileName(QStringLiteral("tmp"));
        qputenv("TMPDIR", saved);
        QCOMPARE(path, QString());
    }
};

QTEST_GUILESS_MAIN(tst_MakeTempFileName)
#include "tst_maketempfilename.moc"
