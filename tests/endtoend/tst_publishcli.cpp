// `corvane-admin publish` on the demo, on SQLite then PostgreSQL, its archive read independently.

#include "e2esupport.h"

#include "../app/admintool.h"
#include "../datarows.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace DataRows;

class tst_PublishCli : public QObject
{
    Q_OBJECT

    std::unique_ptr<AdminTool::Demo> m_demo;

    AdminTool::Result publish(const QStringList &options = {u"--language"_s, u"en"_s}) const
    {
        return m_demo->admin(QStringList{u"publish"_s} << options);
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
        const AdminTool::Result result = publish();
        QVERIFY2(result.exitCode == 0, qPrintable(result.output + result.errors));
        // Each status a line (their order: tst_actionpadpublisher), the last one the outcome.
        QCOMPARE(result.output.trimmed().split(u'\n').constLast(),
                 u"The action pads are published."_s);
        const QJsonObject shown = m_demo->show();
        QCOMPARE(shown[u"attributes"_s][u"defaultactionpad"_s].toString(), u"start.htm"_s);
        QCOMPARE(shown[u"attributes"_s][u"overviewactionpad"_s].toString(), u"übersicht.htm"_s);

        // The stored archive passes Python's zipfile check and holds the entries `show` lists.
        const QByteArray archive = EndToEnd::readStoredState(m_demo->location()).archive;
        QCOMPARE(qint64(archive.size()), shown[u"size"_s].toInteger());
        QString error;
        const QJsonArray read = EndToEnd::pythonEntries(archive, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(QJsonDocument(read).toJson(),
                 QJsonDocument(shown[u"entries"_s].toArray()).toJson());
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

    // The dry run changes nothing, leaves nothing in the temporary folder and lists exactly
    // what publish --if-changed then stores, or that it stores nothing.
    void dryRunListsWhatIfChangedPublishes()
    {
        QFETCH(QStringList, written);
        QFETCH(QStringList, removed);
        QFETCH(QString, overview);
        QFETCH(QStringList, listed);
        QCOMPARE(publish().exitCode, 0);
        for (const QString &name : written)
            DravoTest::writeFile(m_demo->web(), name, "/* written anew */");
        for (const QString &name : removed)
            QVERIFY(QFile::remove(m_demo->web() + u'/' + name));
        if (!overview.isEmpty())
            QCOMPARE(m_demo->admin(words(u"settings set Overview URL "_s + overview)).exitCode, 0);
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
        for (const QJsonValue &entry : plan[u"entries"_s].toArray())
            if (entry[u"state"_s].toString() != u"unchanged"_s)
                found.append(entry[u"state"_s].toString() + u' ' + entry[u"name"_s].toString());
        for (const QJsonValue &name : plan[u"removed"_s].toArray())
            found.append(u"removed "_s + name.toString());
        for (const QString &name : plan[u"attributeChanges"_s].toObject().keys())
            found.append(u"attribute "_s + name);
        found.sort();
        QCOMPARE(found, listed);

        const AdminTool::Result result = publish({u"--if-changed"_s, u"--language"_s, u"en"_s});
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
        QCOMPARE(result.output.contains(u"Nothing changed since the last publish"_s),
                 listed.isEmpty());
        const QJsonObject after = m_demo->show();
        QCOMPARE(after[u"cacheGeneration"_s].toInteger(),
                 before[u"cacheGeneration"_s].toInteger() + (listed.isEmpty() ? 0 : 1));
        // The record of what it stored counts the same changes.
        for (const QString &state : {u"added"_s, u"changed"_s, u"removed"_s})
            QCOMPARE(after[u"summary"_s][state].toInt(), listed.isEmpty()
                                                             ? before[u"summary"_s][state].toInt()
                                                             : listed.filter(state + u' ').size());
    }
};

DRAVO_TEST_MAIN(tst_PublishCli)
#include "tst_publishcli.moc"
