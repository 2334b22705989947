#include "model/dravowrapper.h"

#include "tests/addin/addintestsupport.h"

#include "platform/runtimeerror.h"
#include "tests/platform/platformtest.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using Corvane::Platform::RuntimeError;

// The wrapper against the real data engine on a scratch SQLite database.
class tst_DravoWrapper : public QObject
{
    Q_OBJECT

private:
    std::optional<AddinTest::Fixture> m_fixture;
    QTemporaryDir m_dir;
    FakeHost::Database &database() { return m_fixture->host.database; }

    QString writeFile(const QString &name, const QByteArray &content)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size()
                   ? file.fileName()
                   : QString();
    }

private slots:
    void init() { m_fixture.emplace(); }
    void cleanup() { m_fixture.reset(); }

    // A refused save is the store's own rule (tst_actionpadstore).
    void aMissingArchiveFileKeepsTheStoredOne()
    {
        Brimble::DravoWrapper().UpdateActionPadFile(writeFile("old.zip", "old archive"));
        QCOMPARE(errorOf([&] {
                     Brimble::DravoWrapper().UpdateActionPadFile(m_dir.filePath("gone.zip"));
                 }),
                 53);
        QCOMPARE(database().storedFile(), QByteArray("old archive"));
    }

    void needsHostAndDatabase()
    {
        Brimble::DravoWrapper wrapper;
        database().close();
        QVERIFY_THROWS_EXCEPTION(RuntimeError, wrapper.RefreshCache());
        QVERIFY_THROWS_EXCEPTION(RuntimeError, wrapper.SetFileAttribute("defaultactionpad", "x"));
        Brimble::ApplicationManager::SetApplication(nullptr);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, wrapper.RefreshCache());
    }
};

QTEST_GUILESS_MAIN(tst_DravoWrapper)
#include "tst_dravowrapper.moc"
