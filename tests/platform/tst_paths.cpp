#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Corvane::Platform;

class tst_Paths : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void resolvesCase_data();
    void resolvesCase();
    void resolvesRelativePaths();
    void existsAndSize_data();
    void existsAndSize();
    void deletesUnderAnySpelling();
    void refusesReadOnlyFile();
    void rootLength_data();
    void rootLength();

private:
    void writeFile(const QString &relative, const QByteArray &content);
    QTemporaryDir m_dir;
    QString m_root; // the temporary folder with a trailing separator
    QString m_previousCurrent;
};

void tst_Paths::writeFile(const QString &relative, const QByteArray &content)
{
    const QString path = m_root + relative;
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

void tst_Paths::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_root = m_dir.path() + u'/';
    writeFile(QStringLiteral("Web/ActionPads/Index.HTML"), "<html/>");
    writeFile(QStringLiteral("Web/ActionPads/pics/Logo.png"), "png");
    // Three case-variants of one name, and a folder that exists in two spellings.
    writeFile(QStringLiteral("Variants/file.txt"), "lower");
    writeFile(QStringLiteral("Variants/File.txt"), "title");
    writeFile(QStringLiteral("Variants/FILE.txt"), "upper");
    writeFile(QStringLiteral("Twins/docs/a.txt"), "a");
    writeFile(QStringLiteral("Twins/Docs/b.txt"), "b");
    m_previousCurrent = QDir::currentPath();
}

void tst_Paths::cleanupTestCase()
{
    QDir::setCurrent(m_previousCurrent);
}

void tst_Paths::resolvesCase_data()
{
    QTest::addColumn<QString>("path");     // below the temporary folder
    QTest::addColumn<QString>("expected"); // below the temporary folder
    QTest::newRow("exact spelling") << "Web/ActionPads/Index.HTML"
                                    << "Web/ActionPads/Index.HTML";
    QTest::newRow("every component in another case") << "web/ACTIONPADS/pics/logo.PNG"
                                                     << "Web/ActionPads/pics/Logo.png";
    QTest::newRow("folder with trailing separator") << "WEB/actionpads/"
                                                    << "Web/ActionPads/";
    QTest::newRow("variants: exact match first") << "Variants/File.txt"
                                                 << "Variants/File.txt";
    QTest::newRow("variants: first in name order") << "variants/fILE.TXT"
                                                   << "Variants/FILE.txt";
    QTest::newRow("exact folder taken, no fallback to its twin") << "TWINS/docs/b.txt"
                                                                 << "TWINS/docs/b.txt";
    QTest::newRow("exact folder taken") << "twins/docs/A.TXT"
                                        << "Twins/docs/a.txt";
    QTest::newRow("missing last component") << "web/actionpads/missing.htm"
                                            << "web/actionpads/missing.htm";
    QTest::newRow("missing folder") << "Nowhere/Index.HTML"
                                    << "Nowhere/Index.HTML";
    QTest::newRow("dot-dot kept") << "web/../WEB/actionpads"
                                  << "Web/../Web/ActionPads";
}

void tst_Paths::resolvesCase()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(Paths::resolveCase(m_root + path), m_root + expected);
}

void tst_Paths::resolvesRelativePaths()
{
    QVERIFY(QDir::setCurrent(m_dir.path()));
    QCOMPARE(Paths::resolveCase(QStringLiteral("web/actionpads/index.html")),
             QStringLiteral("Web/ActionPads/Index.HTML"));
    QCOMPARE(Paths::resolveCase(QStringLiteral("./WEB/actionpads")),
             QStringLiteral("./Web/ActionPads"));
    QCOMPARE(Paths::resolveCase(QStringLiteral("web/none.htm")), QStringLiteral("web/none.htm"));
    QVERIFY(Paths::fileExists(QStringLiteral("WEB/ACTIONPADS/INDEX.HTML")));
    QVERIFY(Paths::resolveCase(QString()).isEmpty());
    QVERIFY(QDir::setCurrent(m_previousCurrent));
}

void tst_Paths::existsAndSize_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("isFile");
    QTest::addColumn<bool>("isFolder");
    QTest::addColumn<qint64>("size");
    QTest::newRow("file, exact") << "Web/ActionPads/Index.HTML" << true << false << qint64(7);
    QTest::newRow("file, other case") << "web/actionpads/index.html" << true << false << qint64(7);
    QTest::newRow("variant picked by name order")
        << "variants/file.TXT" << true << false << qint64(5);
    QTest::newRow("folder, other case") << "WEB/ACTIONPADS" << false << true << qint64(-1);
    QTest::newRow("missing") << "web/missing.htm" << false << false << qint64(-1);
}

void tst_Paths::existsAndSize()
{
    QFETCH(QString, path);
    QFETCH(bool, isFile);
    QFETCH(bool, isFolder);
    QFETCH(qint64, size);
    QCOMPARE(Paths::fileExists(m_root + path), isFile);
    QCOMPARE(Paths::folderExists(m_root + path), isFolder);
    QCOMPARE(Paths::fileSize(m_root + path), size);
}

void tst_Paths::deletesUnderAnySpelling()
{
    writeFile(QStringLiteral("Scratch/Old.zip"), "zip");
    QVERIFY(!Paths::deleteFile(m_root + QStringLiteral("scratch/missing.zip")));
    QVERIFY(!Paths::deleteFile(m_root + QStringLiteral("scratch"))); // a folder is no file
    QVERIFY(QFileInfo::exists(m_root + QStringLiteral("Scratch")));
    QVERIFY(Paths::deleteFile(m_root + QStringLiteral("SCRATCH/old.ZIP")));
    QVERIFY(!QFileInfo::exists(m_root + QStringLiteral("Scratch/Old.zip")));
    QVERIFY(!Paths::deleteFile(m_root + QStringLiteral("SCRATCH/old.ZIP")));
}

void tst_Paths::refusesReadOnlyFile()
{
    if (geteuid() == 0)
        QSKIP("running as root, which may write and delete read-only files");
    writeFile(QStringLiteral("Scratch/Locked.zip"), "zip");
    const QString path = m_root + QStringLiteral("Scratch/Locked.zip");
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(!Paths::deleteFile(path));
    QVERIFY(QFileInfo::exists(path));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
}

void tst_Paths::rootLength_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("network");
    QTest::newRow("relative") << "web/index.htm" << 0 << false;
    QTest::newRow("empty") << "" << 0 << false;
    QTest::newRow("absolute") << "/srv/web/index.htm" << 1 << false;
    QTest::newRow("network") << "//server/share/index.htm" << 2 << true;
}

void tst_Paths::rootLength()
{
    QFETCH(QString, path);
    QFETCH(int, length);
    QFETCH(bool, network);
    QCOMPARE(Paths::rootLength(path), length);
    QCOMPARE(Paths::isNetworkPath(path), network);
}

QTEST_GUILESS_MAIN(tst_Paths)
#include "tst_paths.moc"
