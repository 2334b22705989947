#include "model/dravowrapper.h"

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

namespace {

const QString kCommand =
    QStringLiteral("<procedure name='qsp_refreshqdc' log='0' timeout='0'></procedure>");

} // namespace

class tst_DravoWrapper : public QObject
{
    Q_OBJECT

private:
    std::optional<FakeHost::Host> m_host;
    QTemporaryDir m_dir;
    FakeHost::Host &host() { return *m_host; }

    QString writeFile(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return {};
        return path;
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_host.emplace();
        AM::SetApplication(&host().application);
    }

    void cleanup()
    {
        AM::SetApplication(nullptr);
        m_host.reset();
    }

    void setFileAttribute_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::newRow("database action pad") << "defaultactionpad"
                                             << "index.htm";
        QTest::newRow("overview action pad") << "overviewactionpad"
                                             << "http://server/o.htm";
        QTest::newRow("cleared") << "defaultactionpad"
                                 << "";
    }

    void setFileAttribute()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        host().database.fileAttributes.insert(name, "old");
        Brimble::DravoWrapper wrapper;
        wrapper.SetFileAttribute(name, value);
        QCOMPARE(host().log.lines, QStringList({"CreateObject Dravo.File", "Dravo.File.Open 123 3",
                                                "Dravo.File.SetAttribute " + name + "=" + value,
                                                "Dravo.File.Save", "Dravo.File.Close"}));
        QVERIFY(host().database.fileAttributes.contains(name));
        QCOMPARE(host().database.fileAttributes.value(name), value);
        QVERIFY(!host().database.hasStoredFile);
    }

    void everyCallUsesItsOwnFile()
    {
        Brimble::DravoWrapper wrapper;
        wrapper.SetFileAttribute("defaultactionpad", "a.htm");
        wrapper.SetFileAttribute("overviewactionpad", "b.htm");
        QCOMPARE(host().log.matching("CreateObject Dravo.File").size(), 2);
        QCOMPARE(host().log.matching("Dravo.File.Open").size(), 2);
        QCOMPARE(host().log.matching("Dravo.File.Save").size(), 2);
        QCOMPARE(host().log.matching("Dravo.File.Close").size(), 2);
        QCOMPARE(host().database.fileAttributes.value("defaultactionpad"), QStringLiteral("a.htm"));
        QCOMPARE(host().database.fileAttributes.value("overviewactionpad"),
                 QStringLiteral("b.htm"));
    }

    void updateActionPadFile()
    {
        const QByteArray content("PK\x05\x06" + QByteArray(18, '\0'));
        const QString path = writeFile("tmpabc123", content);
        QVERIFY(!path.isEmpty());
        Brimble::DravoWrapper wrapper;
        wrapper.UpdateActionPadFile(path);
        QCOMPARE(host().log.lines, QStringList({"CreateObject Dravo.File", "Dravo.File.Open 123 3",
                                                "Dravo.File.LoadFromFile " + path,
                                                "Dravo.File.Save", "Dravo.File.Close"}));
        QVERIFY(host().database.hasStoredFile);
        QCOMPARE(host().database.storedFile, content);
    }

    void failuresSaveNothingAndSkipClose_data()
    {
        QTest::addColumn<bool>("missingFile");
        QTest::addColumn<int>("expectedError");
        QTest::newRow("the archive file is missing") << true << 53;
        QTest::newRow("the data engine refuses to save") << false << 75;
    }

    void failuresSaveNothingAndSkipClose()
    {
        QFETCH(bool, missingFile);
        QFETCH(int, expectedError);
        const QString path =
            missingFile ? m_dir.filePath("gone.zip") : writeFile("new.zip", "new content");
        host().database.storedFile = "old archive";
        host().database.hasStoredFile = true;
        host().database.failNextSave = missingFile ? 0 : 75;
        Brimble::DravoWrapper wrapper;
        try {
            wrapper.UpdateActionPadFile(path);
            QFAIL("UpdateActionPadFile succeeded");
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), expectedError);
        }
        QCOMPARE(host().database.storedFile, QByteArray("old archive"));
        QVERIFY(host().log.matching("Dravo.File.Close").isEmpty());
    }

    void refreshCache()
    {
        host().database.serverName = "postgresql://admin@db:5432";
        host().database.databaseName = "sales";
        Brimble::DravoWrapper wrapper;
        wrapper.RefreshCache();
        QCOMPARE(host().log.lines,
                 QStringList(
                     {"CreateObject Norrick.Data.Components.Wrapper.DataUpdate",
                      "DataUpdate.Server postgresql://admin@db:5432",
                      "DataUpdate.ExecuteProcedure " + kCommand + " database=sales flag=false"}));
        QCOMPARE(host().database.cacheRefreshes, 1);
        QCOMPARE(Brimble::DravoWrapper::refreshCommand(), kCommand);
    }

    void refreshCacheWithoutDatabase()
    {
        host().application.database = nullptr;
        Brimble::DravoWrapper wrapper;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, wrapper.RefreshCache());
        QCOMPARE(host().database.cacheRefreshes, 0);
    }

    void withoutHost()
    {
        AM::SetApplication(nullptr);
        Brimble::DravoWrapper wrapper;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, wrapper.SetFileAttribute("defaultactionpad", "x"));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, wrapper.RefreshCache());
        QVERIFY(host().log.lines.isEmpty());
    }

    void setTableAttributeDoesNothing()
    {
        Brimble::DravoWrapper wrapper;
        wrapper.SetTableAttribute("idtable", "5");
        QVERIFY(host().log.lines.isEmpty());
        QVERIFY(host().database.fileAttributes.isEmpty());
    }

    void callableByName()
    {
        Brimble::DravoWrapper wrapper;
        Corvane::Platform::LateBinding::call(
            &wrapper, "SetFileAttribute",
            {QStringLiteral("defaultactionpad"), QStringLiteral("late.htm")});
        Corvane::Platform::LateBinding::call(&wrapper, "RefreshCache");
        QCOMPARE(host().database.fileAttributes.value("defaultactionpad"),
                 QStringLiteral("late.htm"));
        QCOMPARE(host().database.cacheRefreshes, 1);
    }
};

QTEST_GUILESS_MAIN(tst_DravoWrapper)
#include "tst_dravowrapper.moc"
