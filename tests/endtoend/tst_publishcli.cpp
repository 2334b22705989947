// `corvane-admin publish` on the demo, on SQLite then PostgreSQL, its archive read independently.

#include "e2esupport.h"

#include "../app/admintool.h"
#include "../datarows.h"
#include "../dravo/dravotest.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kSizeLimit = 10485760;
const QString kZip = u"Creating the archive"_s;
// The states a publish of the demo shows, in English, in this order.
const QStringList kStates = {u"Checking the action pads"_s,
                             u"Waiting for the choice between files of the same name"_s,
                             kZip,
                             u"Archive created"_s,
                             u"Storing the archive in the database"_s,
                             u"The action pads are published."_s};

// The states among the output lines, each once; the zip state's lines also count their dots.
QStringList statesIn(const QString &output, QList<qsizetype> *dots = nullptr)
{
    QStringList states;
    for (QString line : output.split(u'\n')) {
        const qsizetype added = line.size() - kZip.size();
        if (line.startsWith(kZip) && line.endsWith(QString(added, u'.'))) {
            if (dots)
                dots->append(added);
            line = kZip;
        }
        if (kStates.contains(line) && (states.isEmpty() || states.constLast() != line))
            states.append(line);
    }
    return states;
}

} // namespace

class tst_PublishCli : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DravoTest::ScratchDatabase> m_db;
    QJsonArray m_entries; // the stored archive, as checkStoredArchive() read it
    QByteArray m_archive;

    QString web() const { return m_db->folder() + u"/web"_s; }
    AdminTool::Result admin(QStringList arguments) const
    {
        return AdminTool::run(arguments << u"--database"_s << m_db->location());
    }
    AdminTool::Result publish() const { return admin({u"publish"_s, u"--language"_s, u"en"_s}); }
    QJsonObject show() const
    {
        const AdminTool::Result shown = admin({u"actionpads"_s, u"show"_s, u"--json"_s});
        if (shown.exitCode != 0)
            qWarning("actionpads show: %s", qPrintable(shown.errors));
        return QJsonDocument::fromJson(shown.output.toUtf8()).object();
    }

    // The extracted archive is as `show` says, sound to unzip -t and zipfile, with safe names.
    void checkStoredArchive(const QJsonObject &shown)
    {
        const QString target = m_db->folder() + u"/extracted.zip"_s;
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
            const QString name = entry[u"name"_s].toString();
            QVERIFY2(!name.startsWith(u'/') && !name.contains(u'\\') && name.indexOf(u':') != 1 &&
                         !name.split(u'/').contains(u".."_s),
                     qPrintable(name));
        }
        QCOMPARE(QJsonDocument(read).toJson(), QJsonDocument(listed).toJson());
    }

    // The SQLite file's bytes, or every PostgreSQL table's rows: equal when nothing changed.
    QByteArray databaseFingerprint() const
    {
        if (DravoTest::backend() == DravoTest::Backend::Sqlite) {
            QFile file(m_db->location());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }
        QByteArray rows;
        const QStringList tables =
            m_db->execute(u"SELECT string_agg(tablename, ',' ORDER BY tablename) FROM pg_tables"
                          " WHERE schemaname = current_schema()"_s)
                .toString()
                .split(u',');
        for (const QString &table : tables)
            rows += table.toUtf8() + ' ' +
                    m_db->execute(u"SELECT count(*) || ':' || coalesce(md5(string_agg(t::text, '|'"
                                  " ORDER BY t::text)), '') FROM %1 t"_s.arg(table))
                        .toByteArray() +
                    '\n';
        return rows;
    }

    // The entries as {name, crc32} in name order.
    static QStringList namesAndCrcs(const QJsonArray &entries)
    {
        QStringList list;
        for (const QJsonValue &entry : entries)
            list.append(entry[u"name"_s].toString() + u' ' + entry[u"crc32"_s].toString());
        list.sort();
        return list;
    }

    // A dry run's plan names what the publish after it stored: the entries with their
    // CRCs, and each attribute it writes (null: the attribute is absent).
    static void checkPlanWasStored(const QJsonObject &plan, const QJsonObject &shown)
    {
        QCOMPARE(namesAndCrcs(shown[u"entries"_s].toArray()),
                 namesAndCrcs(plan[u"entries"_s].toArray()));
        // The demo's database and overview pads: a publish writes both attributes.
        const QJsonObject planned = plan[u"attributes"_s].toObject();
        QCOMPARE(planned.keys(), QStringList({u"defaultactionpad"_s, u"overviewactionpad"_s}));
        const QJsonObject stored = shown[u"attributes"_s].toObject();
        for (auto it = planned.begin(); it != planned.end(); ++it)
            QCOMPARE(stored.value(it.key()).toString(u"(absent)"_s),
                     it.value().toString(u"(absent)"_s));
    }

private slots:
    void initTestCase() { DRAVO_REQUIRE_BACKEND(); }

    void init()
    {
        m_db = std::make_unique<DravoTest::ScratchDatabase>();
        const AdminTool::Result result = admin({u"init"_s, u"--demo"_s, u"--web-folder"_s, web()});
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
    }

    void cleanup() { m_db.reset(); }

    void publishStoresTheDemoArchive()
    {
        const qint64 generation = show()[u"cacheGeneration"_s].toInteger();
        const AdminTool::Result result = publish();
        QVERIFY2(result.exitCode == 0, qPrintable(result.output + result.errors));
        QList<qsizetype> dots;
        QCOMPARE(statesIn(result.output, &dots), kStates);
        QVERIFY(!dots.isEmpty() && dots.size() <= 20);
        for (qsizetype i = 0; i < dots.size(); ++i)
            QCOMPARE(dots.at(i), i);

        const QJsonObject shown = show();
        QCOMPARE(shown[u"cacheGeneration"_s].toInteger(), generation + 1);
        checkStoredArchive(shown);
        if (QTest::currentTestFailed())
            return;

        // Each entry is a web file's bytes; all files are in but the clash's second index.htm.
        const QHash<QString, QString> files = EndToEnd::folderHashes(web());
        QStringList names;
        for (const QJsonValue &entry : std::as_const(m_entries)) {
            names.append(entry[u"name"_s].toString());
            bool found = false;
            for (auto it = files.cbegin(); it != files.cend() && !found; ++it)
                found = (it.key() == names.constLast() ||
                         it.key().endsWith(u'/' + names.constLast())) &&
                        it.value() == entry[u"sha256"_s].toString();
            QVERIFY2(found, qPrintable(names.constLast()));
        }
        QCOMPARE(m_entries.size(), files.size() - 1);
        const QJsonObject attributes = shown[u"attributes"_s].toObject();
        QCOMPARE(attributes[u"defaultactionpad"_s].toString(), u"start.htm"_s);
        QCOMPARE(attributes[u"overviewactionpad"_s].toString(), u"übersicht.htm"_s);
        for (const QJsonValue &page : attributes)
            QVERIFY2(names.contains(page.toString()), qPrintable(page.toString()));

        // Publishing again stores the same entries and attributes as a new generation.
        QCOMPARE(publish().exitCode, 0);
        const QJsonObject again = show();
        QCOMPARE(again[u"entries"_s], shown[u"entries"_s]);
        QCOMPARE(again[u"attributes"_s], shown[u"attributes"_s]);
        QCOMPARE(again[u"cacheGeneration"_s].toInteger(), generation + 2);
    }

    void webAddressesOnlyStoreAnEmptyArchive()
    {
        QCOMPARE(publish().exitCode, 0);
        const QJsonObject first = show();
        for (const auto &[node, url] :
             {std::pair(u"WebBar"_s, u"HTTPS://Example.COM/Start?Tab=1"_s),
              std::pair(u"Overview"_s, u"res://corvane/overview.htm"_s),
              std::pair(u"Inspectors\\Customers\\WebBar"_s, u"http://intranet/customers"_s),
              std::pair(u"Inspectors\\Products\\WebBar"_s, u"file:///srv/pads/products.htm"_s)})
            QCOMPARE(admin({u"settings"_s, u"set"_s, node, u"URL"_s, url}).exitCode, 0);

        const AdminTool::Result result = publish();
        QVERIFY2(result.exitCode == 0, qPrintable(result.output + result.errors));
        QStringList states = kStates;
        states.removeAt(1); // no clash to choose in
        QCOMPARE(statesIn(result.output), states);

        const QJsonObject shown = show();
        QCOMPARE(shown[u"cacheGeneration"_s].toInteger(),
                 first[u"cacheGeneration"_s].toInteger() + 1);
        checkStoredArchive(shown);
        // An empty archive is its end record alone: signature, no entries.
        QCOMPARE(m_archive, QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
        // The archive holds no page: no attribute may name one of the previous publish.
        QVERIFY(!first[u"attributes"_s].toObject().isEmpty());
        QCOMPARE(shown[u"attributes"_s].toObject(), QJsonObject());
    }

    void publishSaysWhatItStored_data()
    {
        // setup: what the web folder and the settings get; exit code; the attributes after
        // ("-": none), or "unchanged" for a refused publish; what standard error says.
        DataRows::columns<QString, int, QString, QString>(
            {"setup", "exitCode", "attributes", "told"});
        DataRows::row("a name on disk in upper case, one page for both pads: both name it",
                      u"upper"_s, 0, u"defaultactionpad=Start.htm overviewactionpad=Start.htm"_s,
                      QString());
        DataRows::row("pads set to nothing leave no attribute", u"nothing"_s, 0, u"-"_s, QString());
        DataRows::row("a pad file that is a folder is refused", u"folder"_s, 1, u"unchanged"_s,
                      u"{web}/pads is a folder"_s);
        DataRows::row("a pad file that is a pipe is refused", u"pipe"_s, 1, u"unchanged"_s,
                      u"{web}/pipe.htm is not a regular file"_s);
        DataRows::row("a link out of the web folder is left out, in one warning line", u"link"_s, 0,
                      u"defaultactionpad=start.htm overviewactionpad=übersicht.htm"_s,
                      u"{web}/etcdir -> /etc"_s);
        // The database's folder holds the web folder: pages are named from there.
        DataRows::row("the SQLite database in a pad folder is not archived", u"database"_s, 0,
                      u"defaultactionpad=web/start.htm overviewactionpad=web/übersicht.htm"_s,
                      QString());
    }

    void publishSaysWhatItStored()
    {
        QFETCH(QString, setup);
        QFETCH(int, exitCode);
        QFETCH(QString, attributes);
        QFETCH(QString, told);
        const bool sqlite = DravoTest::backend() == DravoTest::Backend::Sqlite;
        if (setup == u"database"_s && !sqlite)
            QSKIP("a PostgreSQL database has no file in a pad folder");
        QCOMPARE(publish().exitCode, 0);
        const QJsonObject before = show();
        const auto set = [this](const QString &node, const QString &url) {
            QCOMPARE(admin({u"settings"_s, u"set"_s, node, u"URL"_s, url}).exitCode, 0);
        };
        if (setup == u"upper"_s) {
            EndToEnd::writeFile(web() + u"/Pads/Start.htm"_s, "<html>start</html>");
            set(u"WebBar"_s, web() + u"/Pads/Start.htm"_s);
            set(u"Overview"_s, web() + u"/pads/start.htm"_s);
        } else if (setup == u"nothing"_s) {
            set(u"WebBar"_s, QString());
            set(u"Overview"_s, QString());
        } else if (setup == u"folder"_s) {
            QVERIFY(QDir().mkpath(web() + u"/pads"_s));
            set(u"WebBar"_s, web() + u"/pads"_s);
        } else if (setup == u"pipe"_s) {
            QCOMPARE(mkfifo(QFile::encodeName(web() + u"/pipe.htm"_s).constData(), 0644), 0);
            set(u"Overview"_s, web() + u"/pipe.htm"_s);
        } else if (setup == u"link"_s) {
            QVERIFY(QFile::link(u"/etc"_s, web() + u"/etcdir"_s));
        } else if (setup == u"database"_s) {
            EndToEnd::writeFile(m_db->folder() + u"/start.htm"_s, "<html>start</html>");
            set(u"Inspectors\\Customers\\WebBar"_s, m_db->folder() + u"/start.htm"_s);
        }
        told.replace(u"{web}"_s, web());
        // The dry run before it follows the same rules: it fails where the publish
        // fails, and otherwise names what the publish stores and the links it skips.
        const AdminTool::Result dry = admin({u"publish"_s, u"--dry-run"_s, u"--json"_s});
        QVERIFY2(dry.exitCode == exitCode, qPrintable(dry.output + dry.errors));
        const QJsonObject plan = QJsonDocument::fromJson(dry.output.toUtf8()).object();
        if (setup == u"link"_s) {
            const QJsonArray links = plan[u"skippedLinks"_s].toArray();
            QVERIFY2(links.size() == 1 &&
                         links.first().toString().contains(told, Qt::CaseInsensitive),
                     qPrintable(dry.output));
            QVERIFY2(!dry.errors.contains(told, Qt::CaseInsensitive), qPrintable(dry.errors));
        }
        const AdminTool::Result result = publish();
        QVERIFY2(result.exitCode == exitCode, qPrintable(result.output + result.errors));
        if (!told.isEmpty()) {
            const QStringList lines = result.errors.split(u'\n').filter(told, Qt::CaseInsensitive);
            QVERIFY2(lines.size() == 1, qPrintable(result.errors));
        }
        const QJsonObject shown = show();
        if (attributes == u"unchanged"_s) {
            QCOMPARE(shown, before);
            return;
        }
        QStringList stored;
        const QJsonObject storedAttributes = shown[u"attributes"_s].toObject();
        for (auto it = storedAttributes.begin(); it != storedAttributes.end(); ++it)
            stored.append(it.key() + u'=' + it.value().toString());
        stored.sort();
        QCOMPARE(stored.join(u' '), attributes == u"-"_s ? QString() : attributes);
        checkPlanWasStored(plan, shown);
        checkStoredArchive(shown);
        for (const QJsonValue &entry : std::as_const(m_entries)) {
            const QString name = entry[u"name"_s].toString();
            QVERIFY2(!name.startsWith(u"etcdir/"_s) && !name.contains(u".sqlite"_s),
                     qPrintable(name));
        }
        if (setup == u"database"_s) // the page itself is in, beside the database
            QVERIFY(QJsonDocument(m_entries).toJson().contains("\"start.htm\""));
    }

    // The archive is committed before the server's refresh runs: a failing refresh is exit 3,
    // told as such, and the archive stays published.
    void refreshFailingAfterTheCommit_data()
    {
        DataRows::columns<QString, QString>({"fault", "reason"});
        DataRows::row("the cache record is missing", u"DELETE FROM server_cache"_s,
                      u"the server cache record is missing"_s);
        if (DravoTest::backend() == DravoTest::Backend::PostgreSql)
            DataRows::row("the procedure is dropped", u"DROP FUNCTION qsp_refreshqdc()"_s,
                          u"qsp_refreshqdc() does not exist"_s);
    }

    void refreshFailingAfterTheCommit()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        m_db->execute(fault);
        const AdminTool::Result result = publish();
        QCOMPARE(result.exitCode, 3);
        const QString told = u"The action pads are published, but the server cache was not "
                             u"refreshed: "_s;
        QVERIFY2(result.output.trimmed().split(u'\n').constLast().startsWith(told),
                 qPrintable(result.output));
        QVERIFY2(result.errors.contains(told) && result.errors.contains(reason),
                 qPrintable(result.errors));
        QVERIFY(!result.errors.contains(u"nothing was published"_s));
        const QJsonObject shown = show();
        QVERIFY(!shown[u"entries"_s].toArray().isEmpty());
        QCOMPARE(shown[u"attributes"_s][u"defaultactionpad"_s].toString(), u"start.htm"_s);
    }

    void dryRunListsWhatIfChangedPublishes_data()
    {
        DataRows::columns<QString, QStringList>({"change", "listed"});
        DataRows::row("second run: nothing to publish", u""_s, QStringList());
        DataRows::row("one byte more in a file", u"byte"_s, QStringList{u"changed css/pads.css"_s});
        DataRows::row("a file renamed", u"rename"_s,
                      QStringList{u"added katalog.htm"_s, u"removed catalogue.htm"_s});
        DataRows::row("a file removed", u"remove"_s, QStringList{u"removed orders.htm"_s});
        DataRows::row("a pad moved to another page", u"attribute"_s,
                      QStringList{u"attribute overviewactionpad"_s});
    }

    // The dry run leaves the database and the temporary folder as they were, and
    // lists exactly what publish --if-changed then stores, or that it stores nothing.
    void dryRunListsWhatIfChangedPublishes()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, listed);
        QCOMPARE(publish().exitCode, 0);
        if (change == u"byte"_s) {
            QFile file(web() + u"/css/pads.css"_s);
            QVERIFY(file.open(QIODevice::Append) && file.write(" ") == 1);
        } else if (change == u"rename"_s) {
            QVERIFY(QDir(web()).rename(u"products/catalogue.htm"_s, u"products/katalog.htm"_s));
        } else if (change == u"remove"_s) {
            QVERIFY(QFile::remove(web() + u"/customers/orders.htm"_s));
        } else if (change == u"attribute"_s) {
            QCOMPARE(
                admin({u"settings"_s, u"set"_s, u"Overview"_s, u"URL"_s, u"customers/orders.htm"_s})
                    .exitCode,
                0);
        }
        const QJsonObject before = show();

        // The temporary folder to itself (the session's runtime folder elsewhere).
        QTemporaryDir temp, runtime;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TMPDIR"_s, temp.path());
        environment.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        const QByteArray fingerprint = databaseFingerprint();
        const AdminTool::Result dry = AdminTool::run(
            {u"publish"_s, u"--dry-run"_s, u"--json"_s, u"--database"_s, m_db->location()},
            environment);
        QVERIFY2(dry.exitCode == 0, qPrintable(dry.errors));
        QVERIFY(databaseFingerprint() == fingerprint);
        QCOMPARE(
            QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList());

        const QJsonObject plan = QJsonDocument::fromJson(dry.output.toUtf8()).object();
        QStringList found;
        qint64 counts[3] = {0, 0, 0}; // added, changed, removed
        for (const QJsonValue &entry : plan[u"entries"_s].toArray()) {
            const QString state = entry[u"state"_s].toString();
            if (state != u"unchanged"_s)
                found.append(state + u' ' + entry[u"name"_s].toString());
            counts[0] += state == u"added"_s;
            counts[1] += state == u"changed"_s;
        }
        for (const QJsonValue &name : plan[u"removed"_s].toArray())
            found.append(u"removed "_s + name.toString());
        counts[2] = plan[u"removed"_s].toArray().size();
        for (const QString &name : plan[u"attributeChanges"_s].toObject().keys())
            found.append(u"attribute "_s + name);
        found.sort();
        QCOMPARE(found, listed);

        const AdminTool::Result result =
            admin({u"publish"_s, u"--if-changed"_s, u"--language"_s, u"en"_s});
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
        QCOMPARE(result.output.contains(u"Nothing changed since the last publish"_s),
                 listed.isEmpty());
        const QJsonObject after = show();
        QCOMPARE(after[u"cacheGeneration"_s].toInteger(),
                 before[u"cacheGeneration"_s].toInteger() + (listed.isEmpty() ? 0 : 1));
        QCOMPARE(after[u"publishedAt"_s] == before[u"publishedAt"_s], listed.isEmpty());
        checkPlanWasStored(plan, after);
        if (listed.isEmpty())
            return;
        checkStoredArchive(after);
        const QJsonObject summary = after[u"summary"_s].toObject();
        QCOMPARE(summary[u"entries"_s].toInteger(), qint64(plan[u"entries"_s].toArray().size()));
        QCOMPARE(summary[u"added"_s].toInteger(), counts[0]);
        QCOMPARE(summary[u"changed"_s].toInteger(), counts[1]);
        QCOMPARE(summary[u"removed"_s].toInteger(), counts[2]);
    }

    // A pad file that is missing stops the dry run as it stops a publish, before anything is read.
    void dryRunFailsWhereAPublishFails()
    {
        QVERIFY(QFile::remove(web() + u"/start.htm"_s));
        const QByteArray fingerprint = databaseFingerprint();
        const AdminTool::Result dry = admin({u"publish"_s, u"--dry-run"_s});
        QCOMPARE(dry.exitCode, 1);
        QVERIFY2(dry.errorLines().constLast().startsWith(u"corvane-admin: "_s),
                 qPrintable(dry.errors));
        QVERIFY2(dry.errors.contains(u"start.htm"_s), qPrintable(dry.errors));
        QVERIFY(databaseFingerprint() == fingerprint);
        QCOMPARE(publish().exitCode, 1);
    }

    void archiveSizeLimit_data()
    {
        DataRows::columns<qint64, bool>({"size", "asked"});
        DataRows::row("exactly 10485760 bytes: stored without a question", kSizeLimit, false);
        DataRows::row("10485761 bytes: the question's default Yes stores it", kSizeLimit + 1, true);
    }

    void archiveSizeLimit()
    {
        QFETCH(qint64, size);
        QFETCH(bool, asked);
        // A stored image adds its size and a fixed overhead, measured by a first publish.
        const QString padding = web() + u"/images/padding.png"_s;
        EndToEnd::writeFile(padding, DravoTest::randomBytes(kSizeLimit - 100000, 1));
        QCOMPARE(publish().exitCode, 0);
        const qint64 overhead = show()[u"size"_s].toInteger() - (kSizeLimit - 100000);
        EndToEnd::writeFile(padding, DravoTest::randomBytes(size - overhead, 2));

        const AdminTool::Result result = publish();
        QVERIFY2(result.exitCode == 0, qPrintable(result.output + result.errors));
        QCOMPARE(result.errors.contains(u"MB large"_s), asked);
        QVERIFY2(!asked || result.errors.contains(u"The archive is 10.0 MB large."_s),
                 qPrintable(result.errors));
        const QJsonObject shown = show();
        QCOMPARE(shown[u"size"_s].toInteger(), size);
        checkStoredArchive(shown);
    }
};

DRAVO_TEST_MAIN(tst_PublishCli)
#include "tst_publishcli.moc"
