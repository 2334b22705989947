#include "model/dravowrapper.h"
#include "tests/datarows.h"

#include "addin/applicationmanager.h"

#include "tests/fakehost/fakehost.h"

#include "platform/latebinding.h"
#include "platform/runtimeerror.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace AM = Brimble::ApplicationManager;
using Corvane::Platform::RuntimeError;
using namespace DataRows;

class tst_DravoWrapper : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_host.emplace();
        AM::SetApplication(&m_host->application);
    }

    void cleanup()
    {
        AM::SetApplication(nullptr);
        m_host.reset();
    }

    void setFileAttribute_data()
    {
        columns<QString>({"value"});
        QTest::newRow("set") << "http://server/o.htm";
        QTest::newRow("cleared") << "";
    }

    void setFileAttribute()
    {
        QFETCH(QString, value);
        m_host->database.fileAttributes.insert("overviewactionpad", "old");
        Brimble::DravoWrapper().SetFileAttribute("overviewactionpad", value);
        QCOMPARE(m_host->log.lines,
                 QStringList({"CreateObject Dravo.File", "Dravo.File.Open 123 3",
                              "Dravo.File.SetAttribute overviewactionpad=" + value,
                              "Dravo.File.Save", "Dravo.File.Close"}));
        // An empty value removes the attribute.
        const QHash<QString, QString> expected =
            value.isEmpty() ? QHash<QString, QString>()
                            : QHash<QString, QString>{{"overviewactionpad", value}};
        QCOMPARE(m_host->database.fileAttributes, expected);
        QVERIFY(!m_host->database.hasStoredFile);
    }

    // Called by name, as the pages do; every call opens a file of its own.
    void callableByName()
    {
        Brimble::DravoWrapper wrapper;
        using Corvane::Platform::LateBinding::call;
        call(&wrapper, "SetFileAttribute", {"defaultactionpad", "a.htm"});
        call(&wrapper, "SetFileAttribute", {"overviewactionpad", "b.htm"});
        call(&wrapper, "RefreshCache");
        call(&wrapper, "SetTableAttribute", {"idtable", "5"}); // does nothing
        QCOMPARE(m_host->log.matching("CreateObject Dravo.File").size(), 2);
        QCOMPARE(m_host->log.matching("Dravo.File.Close").size(), 2);
        QCOMPARE(m_host->database.fileAttributes,
                 (QHash<QString, QString>{{"defaultactionpad", "a.htm"},
                                          {"overviewactionpad", "b.htm"}}));
        QCOMPARE(m_host->database.cacheRefreshes, 1);
    }

    void updateActionPadFile()
    {
        const QByteArray content("PK\x05\x06" + QByteArray(18, '\0'));
        const QString path = writeFile("tmpabc123", content);
        Brimble::DravoWrapper().UpdateActionPadFile(path);
        QCOMPARE(m_host->log.lines, QStringList({"CreateObject Dravo.File", "Dravo.File.Open 123 3",
                                                 "Dravo.File.LoadFromFile " + path,
                                                 "Dravo.File.Save", "Dravo.File.Close"}));
        QVERIFY(m_host->database.hasStoredFile);
        QCOMPARE(m_host->database.storedFile, content);
    }

    void failuresSaveNothingAndSkipClose_data()
    {
        columns<bool, int>({"missingFile", "expectedError"});
        QTest::newRow("the archive file is missing") << true << 53;
        QTest::newRow("the data engine refuses to save") << false << 75;
    }

    void failuresSaveNothingAndSkipClose()
    {
        QFETCH(bool, missingFile);
        QFETCH(int, expectedError);
        const QString path =
            missingFile ? m_dir.filePath("gone.zip") : writeFile("new.zip", "new content");
        m_host->database.storedFile = "old archive";
        m_host->database.hasStoredFile = true;
        m_host->database.failNextSave = missingFile ? 0 : 75;
        try {
            Brimble::DravoWrapper().UpdateActionPadFile(path);
            QFAIL("UpdateActionPadFile succeeded");
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), expectedError);
        }
        QCOMPARE(m_host->database.storedFile, QByteArray("old archive"));
        QVERIFY(m_host->log.matching("Dravo.File.Close").isEmpty());
    }

    void refreshCache()
    {
        m_host->database.serverName = "postgresql://admin@db:5432";
        m_host->database.databaseName = "sales";
        Brimble::DravoWrapper().RefreshCache();
        QCOMPARE(m_host->log.lines,
                 QStringList({"CreateObject Norrick.Data.Components.Wrapper.DataUpdate",
                              "DataUpdate.Server postgresql://admin@db:5432",
                              "DataUpdate.ExecuteProcedure <procedure name='qsp_refreshqdc' "
                              "log='0' timeout='0'></procedure> database=sales flag=false"}));
        QCOMPARE(m_host->database.cacheRefreshes, 1);
    }

    void needsHostAndDatabase()
    {
        Brimble::DravoWrapper wrapper;
        m_host->application.database = nullptr;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, wrapper.RefreshCache());
        AM::SetApplication(nullptr);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, wrapper.SetFileAttribute("defaultactionpad", "x"));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, wrapper.RefreshCache());
        QCOMPARE(m_host->database.cacheRefreshes, 0);
        QVERIFY(m_host->log.matching("Dravo.File").isEmpty());
    }

private:
    QString writeFile(const QString &name, const QByteArray &content)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size()
                   ? file.fileName()
                   : QString();
    }

    std::optional<FakeHost::Host> m_host;
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_DravoWrapper)
#include "tst_dravowrapper.moc"
