#include "platform/tempfile.h"

#include "../datarows.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

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
        QString previous;
        for (const QString &prefix : {QStringLiteral("tmp"), QStringLiteral("tmp"), QString()}) {
            const QFileInfo info(createTempFile(prefix));
            QVERIFY2(info.isFile() && info.size() == 0, qPrintable(info.filePath()));
            QCOMPARE(info.absolutePath(), folder);
            // The prefix, then the process that made it, then six random characters.
            const QString marked =
                prefix + QStringLiteral("corvane%1-").arg(QCoreApplication::applicationPid());
            QVERIFY2(info.fileName().startsWith(marked) &&
                         info.fileName().size() == marked.size() + 6,
                     qPrintable(info.fileName()));
            QVERIFY2(info.fileName() != previous, qPrintable(previous));
            previous = info.fileName();
        }
    }

    // Files killed processes left behind go with the next file made; nobody else's do.
    void removesOnlyLeftoversOfEndedProcesses_data()
    {
        DataRows::columns<QString, QString, bool>({"name", "kind", "removed"});
        DataRows::row("archive of an ended process", "tmpcorvane{ended}-aB3dE9", "file", true);
        DataRows::row("zip output beside it", "tmpcorvane{ended}-aB3dE9.Xy12Ab", "file", true);
        DataRows::row("archive of a running process", "tmpcorvane1-aB3dE9", "file", false);
        DataRows::row("another name around the mark", "tmpcorvane{ended}-aB3dE9.bak", "file",
                      false);
        DataRows::row("a link of that name", "tmpcorvane{ended}-aB3dE8", "link", false);
        DataRows::row("a folder of that name", "tmpcorvane{ended}-aB3dE7", "folder", false);
        if (::geteuid() == 0)
            DataRows::row("another user's file", "tmpcorvane{ended}-aB3dE6", "nobody's", false);
    }

    void removesOnlyLeftoversOfEndedProcesses()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        qputenv("TMPDIR", QFile::encodeName(dir.path()));
        QProcess ended;
        ended.start(QStringLiteral("true"));
        QVERIFY(ended.waitForStarted());
        const qint64 endedPid = ended.processId();
        QVERIFY(ended.waitForFinished());
        const QString path = dir.filePath(name.replace("{ended}", QString::number(endedPid)));
        const QString target = dir.filePath("target");
        QFile(target).open(QIODevice::WriteOnly);
        if (kind == "link")
            QVERIFY(QFile::link(target, path));
        else if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        else
            QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        if (kind == "nobody's")
            QCOMPARE(QProcess::execute("chown", {"nobody", path}), 0);

        const QString own = createTempFile(QStringLiteral("tmp"));
        QCOMPARE(QFileInfo::exists(path), !removed);
        QVERIFY(QFileInfo::exists(target));
        // A process's own files stay until it removes them itself.
        QVERIFY(!createTempFile(QStringLiteral("tmp")).isEmpty() && QFileInfo::exists(own));
        QCOMPARE(removeOwnTempFiles(), 2);
        QCOMPARE(QFileInfo::exists(path), !removed);
    }

    void cleanupTestCase() { qputenv("TMPDIR", m_previousTmpdir); }

private:
    const QByteArray m_previousTmpdir = qgetenv("TMPDIR");
};

QTEST_GUILESS_MAIN(tst_TempFile)
#include "tst_tempfile.moc"
