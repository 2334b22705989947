#include "model/actionpad.h"

#include "tests/addin/addintestsupport.h"
#include "tests/datarows.h"
#include "tests/fakehost/debugcapture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

using Brimble::actionPad;
using Corvane::Platform::RuntimeError;
using namespace DataRows;

class tst_ActionPad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_web.isValid() && m_cwd.isValid());
        for (const QString &path :
             {m_web.filePath("a.htm"), m_web.filePath("sub/b.htm"), m_cwd.filePath("here.htm")}) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile file(path);
            QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
        }
        m_oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_cwd.path()));
    }

    void cleanupTestCase() { QDir::setCurrent(m_oldCwd); }

    void init()
    {
        m_fixture.emplace();
        m_fixture->host.database.setWebFolder(m_web.path());
        for (const FakeHost::Table &table :
             {FakeHost::Table{5, "Customers", "", "Customers", 5, "Kunden"},
              FakeHost::Table{6, "Hidden", "", "Hidden", 0, "Intern"},
              FakeHost::Table{7, "System", "", "System", -3, "System"}})
            m_fixture->host.database.addTable(table);
        Brimble::VBDebug::SetDebugFlag(true);
    }

    void cleanup() { m_fixture.reset(); }

    void keyAndDisplayName_data()
    {
        // translations: the dictionary's texts for the database's and the overview's pads
        columns<qint32, QString, QStringList, QString, QString>(
            {"tableId", "source", "translations", "key", "displayName"});
        const QStringList texts{"Database", "Overview"}, none;
        row("database", 0, "__database__", texts, "s-database", "Database");
        row("overview", 0, "__overview__", texts, "s-overview", "Overview");
        row("table", 5, "Customers", none, "t-5", "Kunden");
        row("idtable 0 in brackets", 6, "Hidden", none, "t-0", "[Intern]");
        row("negative idtable in brackets", 7, "System", none, "t--3", "[System]");
        row("table unknown to the host", 99, "Gone", none, "t-Gone", "Gone");
        row("sources compare exactly", 0, "__DATABASE__", texts, "t-__DATABASE__", "__DATABASE__");
    }

    void keyAndDisplayName()
    {
        QFETCH(qint32, tableId);
        QFETCH(QString, source);
        QFETCH(QStringList, translations);
        if (!translations.isEmpty())
            m_fixture->host.translations = {{"ActionPadEditor.ActionPadWebBar", translations[0]},
                                            {"ActionPadEditor.ActionPadOverview", translations[1]}};
        const auto ap = record(tableId, source, "");
        QTEST(ap->key(), "key");
        QTEST(ap->DisplayName(), "displayName");
    }

    void newFilename_data()
    {
        // current: "<web>" stands for the action pad folder
        columns<QString, QString, bool, QString>({"filename", "chosen", "dirty", "current"});
        row("the current location", "<web>a.htm", "<web>a.htm", false, "<web>a.htm");
        row("the current display name", "<web>a.htm", "a.htm", false, "<web>a.htm");
        row("a bare name that exists nowhere", "a.htm", "new.htm", true, "<web>new.htm");
        row("a bare name in the current folder", "a.htm", "here.htm", true, "here.htm");
        row("a web address", "a.htm", "HTTP://server/x?q=1", true, "HTTP://server/x?q=1");
        row("an existing absolute path", "a.htm", "<web>sub/b.htm", true, "<web>sub/b.htm");
        row("empty clears", "a.htm", "", true, "");
    }

    void newFilename()
    {
        QFETCH(QString, filename);
        QFETCH(QString, chosen);
        QFETCH(bool, dirty);
        QFETCH(QString, current);
        const auto ap = record(5, "Customers", filename.replace("<web>", web()));
        QVERIFY(!ap->IsDirty());
        ap->setNewFilename(chosen.replace("<web>", web()));
        QCOMPARE(ap->IsDirty(), dirty);
        QCOMPARE(ap->CurrentFileName(), current.replace("<web>", web()));
        QCOMPARE(ap->Filename(), filename);
    }

    void update_data()
    {
        // newFilenames: set in this order; attribute: "" for table records
        columns<QString, QString, QStringList, QString, QString, QString>(
            {"source", "filename", "newFilenames", "published", "stored", "attribute"});
        // <WEB>: the action pad folder in upper case, found on disk all the same
        const QString inside = "<WEB>sub/b.htm", outside = "<cwd>here.htm";
        row("unpublished, inside the folder: relative", "__database__", "a.htm",
            QStringList{inside}, "", "sub/b.htm", "defaultactionpad");
        row("unpublished, outside the folder: full path", "__overview__", "a.htm",
            QStringList{outside}, "", outside, "overviewactionpad");
        row("published: the archive name whatever was chosen", "__database__", "a.htm",
            QStringList{outside}, "b.htm", "b.htm", "defaultactionpad");
        row("published only", "__overview__", "a.htm", QStringList{}, "a.htm", "a.htm",
            "overviewactionpad");
        row("web address", "__database__", "a.htm", QStringList{"http://server/x.htm"}, "",
            "http://server/x.htm", "defaultactionpad");
        row("cleared", "__database__", "a.htm", QStringList{""}, "", "", "defaultactionpad");
        row("chosen back to the stored location", "__database__", "http://s/a.htm",
            QStringList{"http://s/b.htm", "http://s/a.htm"}, "", "http://s/a.htm",
            "defaultactionpad");
        row("table record: nothing written", "Customers", "a.htm", QStringList{inside}, "",
            "sub/b.htm", "");
    }

    void update()
    {
        QFETCH(QString, source);
        QFETCH(QString, filename);
        QFETCH(QStringList, newFilenames);
        QFETCH(QString, published);
        QFETCH(QString, stored);
        QFETCH(QString, attribute);
        const QString cwd = m_cwd.path() + '/';
        stored.replace("<cwd>", cwd);
        const auto ap = record(source == "Customers" ? 5 : 0, source, filename);
        for (QString location : newFilenames)
            ap->setNewFilename(location.replace("<WEB>", web().toUpper()).replace("<cwd>", cwd));
        if (!published.isEmpty())
            ap->setPublishedFileName(published);
        QVERIFY(ap->IsDirty());
        FakeHost::DebugCapture capture;
        ap->Update();
        QVERIFY(!ap->IsDirty());
        QCOMPARE(ap->Filename(), stored);
        QCOMPARE(ap->PublishedFileName(), published);
        QVERIFY(capture.lines.contains(
            ("set actionpad for " + source + " To " + stored + "\r\n").toLocal8Bit()));
        QHash<QString, QString> attributes;
        if (!attribute.isEmpty() && !stored.isEmpty()) // an empty name removes the attribute
            attributes.insert(attribute, stored);
        QCOMPARE(m_fixture->host.database.fileAttributes(), attributes);
    }

private:
    QString web() const { return m_web.path() + '/'; }

    // A record filled as the editor page fills it: TableId, Source, Filename.
    std::unique_ptr<actionPad> record(qint32 tableId, const QString &source,
                                      const QString &filename)
    {
        auto ap = std::make_unique<actionPad>();
        ap->setTableId(tableId);
        ap->setSource(source);
        ap->setFilename(filename);
        return ap;
    }

    std::optional<AddinTest::Fixture> m_fixture;
    QTemporaryDir m_web;
    QTemporaryDir m_cwd;
    QString m_oldCwd;
};

QTEST_GUILESS_MAIN(tst_ActionPad)
#include "tst_actionpad.moc"
