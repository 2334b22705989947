#include "platform/tempfile.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Corvane::Platform;

class tst_TempFile : public QObject
{
    Q_OBJECT
private slots:
    void createsUniqueEmptyFilesInTmpdir()
    {
        QTemporaryDir dir;
        qputenv("TMPDIR", QFile::encodeName(dir.path()));
        const QString folder = QDir(dir.path()).canonicalPath();
        QCOMPARE(tempFolder(), folder + '/');
        QSet<QString> names;
        for (int i = 0; i < 300; ++i) {
            const QString prefix = i % 2 ? QStringLiteral("tmp") : QString();
            const QFileInfo info(createTempFile(prefix));
            QVERIFY2(info.isFile() && info.size() == 0, qPrintable(info.filePath()));
            QCOMPARE(info.absolutePath(), folder);
            QVERIFY(info.fileName().startsWith(prefix) &&
                    info.fileName().size() == prefix.size() + 6);
            QVERIFY2(!names.contains(info.fileName()), qPrintable(info.fileName()));
            names.insert(info.fileName());
        }
    }

    void unusableFolderGivesEmptyResult()
    {
        QTemporaryDir dir;
        QFile(dir.filePath("plain.txt")).open(QIODevice::WriteOnly);
        const QStringList rootBefore = QDir::root().entryList(QDir::Files);
        for (const char *folder : {"missing/folder", "plain.txt"}) {
            qputenv("TMPDIR", QFile::encodeName(dir.filePath(folder)));
            QVERIFY2(createTempFile(QStringLiteral("tmp")).isEmpty(), folder);
        }
        // Nothing was created anywhere else instead.
        QCOMPARE(QDir::root().entryList(QDir::Files), rootBefore);
        QVERIFY(QDir::current().entryList({"tmp*"}, QDir::Files).isEmpty());
    }

    void cleanupTestCase() { qputenv("TMPDIR", m_previousTmpdir); }

private:
    const QByteArray m_previousTmpdir = qgetenv("TMPDIR");
};

QTEST_GUILESS_MAIN(tst_TempFile)
#include "tst_tempfile.moc"
