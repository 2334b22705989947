#include "platform/paths.h"
#include "tests/datarows.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Corvane::Platform;
using namespace DataRows;

// Paths relative to the current folder, a temporary one; "<root>" stands for its absolute path.
class tst_Paths : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const char *name :
             {"Web/Pads/Index.HTML", "Web/Pads/pics/Logo.png", "Vars/file.txt", "Vars/File.txt",
              "Vars/FILE.txt", "Twins/docs/a.txt", "Twins/Docs/b.txt"}) {
            QVERIFY(QDir().mkpath(QFileInfo(m_dir.filePath(name)).path()));
            QFile file(m_dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(name));
        }
        m_previousCurrent = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void cleanupTestCase() { QDir::setCurrent(m_previousCurrent); }

    void resolvesCase_data()
    {
        columns<QString, QString>({"path", "expected"});
        row("every component in another case", "web/PADS/pics/logo.PNG", "Web/Pads/pics/Logo.png");
        row("absolute", "<root>/WEB/pads/index.html", "<root>/Web/Pads/Index.HTML");
        row("folder with trailing separator", "./WEB/pads/", "./Web/Pads/");
        row("variants: exact match first", "Vars/File.txt", "Vars/File.txt");
        row("variants: first in name order", "vars/fILE.TXT", "Vars/FILE.txt");
        row("exact folder, no fallback to its twin", "TWINS/docs/b.txt", "TWINS/docs/b.txt");
        row("exact folder taken", "twins/docs/A.TXT", "Twins/docs/a.txt");
        row("missing component: unchanged", "web/pads/none.htm", "web/pads/none.htm");
        row("dot-dot kept", "web/../WEB/pads", "Web/../Web/Pads");
    }

    void resolvesCase()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(Paths::resolveCase(path.replace("<root>", m_dir.path())),
                 expected.replace("<root>", m_dir.path()));
    }

    void existsAndSize_data()
    {
        columns<QString, bool, bool, qint64>({"path", "isFile", "isFolder", "size"});
        row("file, other case", "web/pads/index.html", true, false, qint64(19));
        row("folder, other case", "WEB/PADS", false, true, qint64(-1));
        row("missing", "web/missing.htm", false, false, qint64(-1));
    }

    void existsAndSize()
    {
        QFETCH(QString, path);
        QTEST(Paths::fileExists(path), "isFile");
        QTEST(Paths::folderExists(path), "isFolder");
        QTEST(Paths::fileSize(path), "size");
    }

    void deletesUnderAnySpelling()
    {
        QFile(m_dir.filePath("Web/Old.zip")).open(QIODevice::WriteOnly);
        QVERIFY(!Paths::deleteFile("web/missing.zip"));
        QVERIFY(!Paths::deleteFile("web/pads")); // a folder is no file
        QVERIFY(QFileInfo::exists(m_dir.filePath("Web/Pads")));
        QVERIFY(Paths::deleteFile("WEB/old.ZIP"));
        QVERIFY(!QFileInfo::exists(m_dir.filePath("Web/Old.zip")));
    }

private:
    QTemporaryDir m_dir;
    QString m_previousCurrent;
};

QTEST_GUILESS_MAIN(tst_Paths)
#include "tst_paths.moc"
