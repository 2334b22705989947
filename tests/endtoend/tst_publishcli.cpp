// `corvane-admin publish` on the demo, on SQLite then PostgreSQL, its archive read independently.

#include "e2esupport.h"

#include "../app/admintool.h"
#include "../datarows.h"

#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace DataRows;

namespace {

// The states a publish of the demo shows, in English, in this order.
const QStringList kStates = {u"Checking the action pads"_s,
                             u"Waiting for the choice between files of the same name"_s,
                             u"Creating the archive"_s,
                             u"Archive created"_s,
                             u"Storing the archive in the database"_s,
                             u"The action pads are published."_s};

// The states among the output lines, each once (the zip's progress dots taken off).
QStringList statesIn(const QString &output)
{
    QStringList states;
    for (QString line : output.split(u'\n')) {
        while (line.endsWith(u'.') && !kStates.contains(line))
            line.chop(1);
        if (kStates.contains(line) && (states.isEmpty() || states.constLast() != line))
            states.append(line);
    }
    return states;
}

// The entries as "name crc32", in name order.
QStringList namesAndCrcs(const QJsonArray &entries)
{
    QStringList list;
    for (const QJsonValue &entry : entries)
        list.append(entry[u"name"_s].toString() + u' ' + entry[u"crc32"_s].toString());
    list.sort();
    return list;
}

} // namespace

class tst_PublishCli : public QObject
{
    Q_OBJECT

    std::unique_ptr<AdminTool::Demo> m_demo;
    QJsonArray m_entries; // the stored archive, as checkStoredArchive() read it
    QByteArray m_archive;

    AdminTool::Result admin(const QStringList &arguments) const { return m_demo->admin(arguments); }
    AdminTool::Result publish() const { return admin({u"publish"_s, u"--language"_s, u"en"_s}); }
    QString web() const { return m_demo->web(); }
    void set(const QString &node, const QString &url)
    {
        QCOMPARE(admin({u"settings"_s, u"set"_s, node, u"URL"_s, url}).exitCode, 0);
    }

    // The extracted archive is as `show` says, sound to unzip -t and zipfile.
    void checkStoredArchive(const QJsonObject &shown)
    {
        const QString target = m_demo->folder() + u"/extracted.zip"_s;
        const AdminTool::Result extracted = admin({u"actionpads"_s, u"extract"_s, target});
        QVERIFY2(extracted.exitCode == 0, qPrintable(extracted.errors));
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_archive = file.readAll();
        QCOMPARE(qint64(m_archive.size()), shown[u"size"_s].toInteger());
        const QJsonArray listed = shown[u"entries"_s].toArray();
        int unzipExit = 0;
        const QString unzipOutput =
            listed.isEmpty() ? QString()
                             : AdminTool::runTool(u"unzip"_s, {u"-t"_s, target}, {}, &unzipExit);
        QVERIFY2(unzipExit == 0, qPrintable(unzipOutput));
        QString error;
        m_entries = EndToEnd::pythonEntries(m_archive, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QJsonArray read;
        for (const QJsonValue &value : std::as_const(m_entries)) {
            QJsonObject entry = value.toObject();
            entry.remove(u"sha256"_s);
            read.append(entry);
        }
        QCOMPARE(QJsonDocument(read).toJson(), QJsonDocument(listed).toJson());
    }

    // A dry run's plan names what the publish after it stored: the entries with their CRCs,
    // and each attribute it writes (null: the attribute is absent).
    static void checkPlanWasStored(const QJsonObject &plan, const QJsonObject &shown)
    {
        QCOMPARE(namesAndCrcs(shown[u"entries"_s].toArray()),
                 namesAndCrcs(plan[u"entries"_s].toArray()));
        const QJsonObject planned = plan[u"attributes"_s].toObject();
        QCOMPARE(planned.keys(), QStringList({u"defaultactionpad"_s, u"overviewactionpad"_s}));
        for (auto it = planned.begin(); it != planned.end(); ++it)
            QCOMPARE(shown[u"attributes"_s][it.key()].toString(u"(absent)"_s),
                     it.value().toString(u"(absent)"_s));
    }

private slots:
    void initTestCase() { DRAVO_REQUIRE_BACKEND(); }

    void init()
    {
        m_demo = std::make_unique<AdminTool::Demo>();
        QVERIFY2(m_demo->init.exitCode == 0, qPrintable(m_demo->init.errors));
    }

    void publishStoresTheDemoArchive()
    {
        const qint64 generation = m_demo->show()[u"cacheGeneration"_s].toInteger();
        const AdminTool::Result result = publish();
        QVERIFY2(result.exitCode == 0, qPrintable(result.output + result.errors));
        QCOMPARE(statesIn(result.output), kStates);
        const QJsonObject shown = m_demo->show();
        QCOMPARE(shown[u"cacheGeneration"_s].toInteger(), generation + 1);
        checkStoredArchive(shown);
        if (QTest::currentTestFailed())
            return;

        // Each entry is a web file's bytes; all files are in but the clash's second index.htm.
        const QHash<QString, QString> files = EndToEnd::folderHashes(web());
        QStringList names;
        for (const QJsonValue &entry : std::as_const(m_entries)) {
            const QString name = entry[u"name"_s].toString();
            names.append(name);
            bool found = false;
            for (auto it = files.cbegin(); it != files.cend() && !found; ++it)
                found = (it.key() == name || it.key().endsWith(u'/' + name)) &&
                        it.value() == entry[u"sha256"_s].toString();
            QVERIFY2(found, qPrintable(name));
        }
        QCOMPARE(m_entries.size(), files.size() - 1);
        const QJsonObject attributes = shown[u"attributes"_s].toObject();
        QCOMPARE(attributes[u"defaultactionpad"_s].toString(), u"start.htm"_s);
        QCOMPARE(attributes[u"overviewactionpad"_s].toString(), u"übersicht.htm"_s);
    }

    // The archive is committed before the server's refresh runs: a failing refresh is exit 3,
    // told as such, and the archive stays published.
    void refreshFailingAfterTheCommit_data()
    {
        columns<QString, QString>({"fault", "reason"});
        row("the cache record is missing", u"DELETE FROM server_cache"_s,
            u"the server cache record is missing"_s);
        if (DravoTest::backend() == DravoTest::Backend::PostgreSql)
            row("the procedure is dropped", u"DROP FUNCTION qsp_refreshqdc()"_s,
                u"qsp_refreshqdc() does not exist"_s);
    }

    void refreshFailingAfterTheCommit()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        m_demo->db.execute(fault);
        const AdminTool::Result result = publish();
        QCOMPARE(result.exitCode, 3);
        const QString told =
            u"The action pads are published, but the server cache was not refreshed: "_s;
        QVERIFY2(result.output.trimmed().split(u'\n').constLast().startsWith(told),
                 qPrintable(result.output));
        QVERIFY2(result.errors.contains(told) && result.errors.contains(reason) &&
                     !result.errors.contains(u"nothing was published"_s),
                 qPrintable(result.errors));
        QCOMPARE(m_demo->show()[u"attributes"_s][u"defaultactionpad"_s].toString(), u"start.htm"_s);
    }

    void dryRunListsWhatIfChangedPublishes_data()
    {
        // Below the web folder: files written anew and files removed; a new overview page.
        columns<QStringList, QStringList, QString, QStringList>(
            {"written", "removed", "overview", "listed"});
        row("second run: nothing to publish", QStringList(), QStringList(), QString(),
            QStringList());
        row("a file changed", QStringList{u"css/pads.css"_s}, QStringList(), QString(),
            QStringList{u"changed css/pads.css"_s});
        row("a file renamed", QStringList{u"products/katalog.htm"_s},
            QStringList{u"products/catalogue.htm"_s}, QString(),
            QStringList{u"added katalog.htm"_s, u"removed catalogue.htm"_s});
        row("a pad moved to another page", QStringList(), QStringList(), u"customers/orders.htm"_s,
            QStringList{u"attribute overviewactionpad"_s});
    }

    // The dry run leaves the database and the temporary folder as they were, and lists
    // exactly what publish --if-changed then stores, or that it stores nothing.
    void dryRunListsWhatIfChangedPublishes()
    {
        QFETCH(QStringList, written);
        QFETCH(QStringList, removed);
        QFETCH(QString, overview);
        QFETCH(QStringList, listed);
        QCOMPARE(publish().exitCode, 0);
        for (const QString &name : written)
            EndToEnd::writeFile(web() + u'/' + name, "/* written anew */");
        for (const QString &name : removed)
            QVERIFY(QFile::remove(web() + u'/' + name));
        if (!overview.isEmpty())
            set(u"Overview"_s, overview);
        const QJsonObject before = m_demo->show();

        QTemporaryDir temp, runtime; // the temporary folder to itself
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TMPDIR"_s, temp.path());
        environment.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        const AdminTool::Result dry =
            m_demo->admin({u"publish"_s, u"--dry-run"_s, u"--json"_s}, environment);
        QVERIFY2(dry.exitCode == 0, qPrintable(dry.errors));
        QCOMPARE(m_demo->show(), before);
        QVERIFY(QDir(temp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));

        const QJsonObject plan = QJsonDocument::fromJson(dry.output.toUtf8()).object();
        QStringList found;
        for (const QJsonValue &entry : plan[u"entries"_s].toArray()) {
            const QString state = entry[u"state"_s].toString();
            if (state != u"unchanged"_s)
                found.append(state + u' ' + entry[u"name"_s].toString());
        }
        for (const QJsonValue &name : plan[u"removed"_s].toArray())
            found.append(u"removed "_s + name.toString());
        for (const QString &name : plan[u"attributeChanges"_s].toObject().keys())
            found.append(u"attribute "_s + name);
        found.sort();
        QCOMPARE(found, listed);

        const AdminTool::Result result =
            admin({u"publish"_s, u"--if-changed"_s, u"--language"_s, u"en"_s});
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
        QCOMPARE(result.output.contains(u"Nothing changed since the last publish"_s),
                 listed.isEmpty());
        const QJsonObject after = m_demo->show();
        QCOMPARE(after[u"cacheGeneration"_s].toInteger(),
                 before[u"cacheGeneration"_s].toInteger() + (listed.isEmpty() ? 0 : 1));
        QCOMPARE(after[u"publishedAt"_s] == before[u"publishedAt"_s], listed.isEmpty());
        checkPlanWasStored(plan, after);
        if (!listed.isEmpty()) // the summary counts what the plan listed
            QCOMPARE(after[u"summary"_s][u"removed"_s].toInteger(), qint64(removed.size()));
    }
};

DRAVO_TEST_MAIN(tst_PublishCli)
#include "tst_publishcli.moc"
