#include "platform/tempfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Corvane::Platform;

class tst_TempFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void folderIsTmpdirWithSeparator();
    void createsEmptyFileWithPrefix_data();
    void createsEmptyFileWithPrefix();
    void namesAreUnique();
    void unusableFolderGivesEmptyResult_data();
    void unusableFolderGivesEmptyResult();

private:
    std::unique_ptr<QTemporaryDir> m_dir; // a fresh one for every test
    QByteArray m_previousTmpdir;
};

void tst_TempFile::init()
{
    m_previousTmpdir = qgetenv("TMPDIR");
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("TMPDIR", QFile::encodeName(m_dir->path()));
}

void tst_TempFile::cleanup()
{
    qputenv("TMPDIR", m_previousTmpdir);
    m_dir.reset();
}

void tst_TempFile::folderIsTmpdirWithSeparator()
{
    const QString expected = QDir(m_dir->path()).canonicalPath() + QDir::separator();
    QCOMPARE(tempFolder(), expected);
}

void tst_TempFile::createsEmptyFileWithPrefix_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::newRow("tmp") << "tmp";
    QTest::newRow("no prefix") << "";
}

void tst_TempFile::createsEmptyFileWithPrefix()
{
    QFETCH(QString, prefix);
    const QString path = createTempFile(prefix);
    const QFileInfo info(path);
    QVERIFY2(info.isFile(), qPrintable(path));
    QCOMPARE(info.size(), 0);
    QCOMPARE(info.absolutePath(), QDir(m_dir->path()).canonicalPath());
    QVERIFY(info.fileName().startsWith(prefix));
    QCOMPARE(info.fileName().size(), prefix.size() + 6);
    QVERIFY(QFile::remove(path));
}

void tst_TempFile::namesAreUnique()
{
    QSet<QString> names;
    for (int i = 0; i < 300; ++i) {
        const QString path = createTempFile(QStringLiteral("tmp"));
        QVERIFY(!path.isEmpty());
        QVERIFY2(!names.contains(path), qPrintable(path));
        names.insert(path);
    }
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 300);
}

void tst_TempFile::unusableFolderGivesEmptyResult_data()
{
    QTest::addColumn<QString>("folder"); // below the test's temporary folder
    QTest::newRow("missing folder") << "missing/folder";
    QTest::newRow("a file, not a folder") << "plain.txt";
}

void tst_TempFile::unusableFolderGivesEmptyResult()
{
    QFETCH(QString, folder);
    QFile plain(m_dir->filePath(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    qputenv("TMPDIR", QFile::encodeName(m_dir->filePath(folder)));

    const QStringList rootBefore = QDir::root().entryList(QDir::Files);
    QCOMPARE(createTempFile(QStringLiteral("tmp")), QString());
    // Nothing was created anywhere else instead.
    QCOMPARE(QDir::root().entryList(QDir::Files), rootBefore);
    QCOMPARE(QDir::current().entryList(QDir::Files).filter(QStringLiteral("tmp")).size(), 0);
}

QTEST_GUILESS_MAIN(tst_TempFile)
#include "tst_tempfile.moc"
