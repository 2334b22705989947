// The publish in this process with nothing faked: host, add-in page, archiver, zip, SQLite file.

#include "e2esupport.h"
#include "livehost.h"

#include "../datarows.h"
#include "../dravo/dravotest.h"

#include "dravo/engine.h"
#include "dravo/settingstree.h"
#include "host/api/propertypage.h"
#include "host/impl/application.h"

#include <QDir>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using EndToEnd::LiveHost;

namespace {

constexpr qint64 kSizeLimit = 10485760;
const QString kZipState = u"Creating the archive"_s;

// A host table and its inspector's web bar location ("{web}": the web folder; null: none set).
struct TableRow
{
    qint32 id = 0;
    QString name, fallbackName, inspector, url;
};

} // namespace

Q_DECLARE_METATYPE(QList<TableRow>)

class tst_PublishFlow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LiveHost> m_host;
    QByteArray m_tmpdir;
    QList<qint16> m_percents;

    QString database() const { return m_dir->filePath(u"corvane.sqlite"_s); }
    QString web() const { return m_dir->filePath(u"web"_s); }
    QString dump() const { return EndToEnd::sqlite(database(), u".sha3sum --schema"_s); }
    QString withWeb(QString text) const { return text.replace(u"{web}"_s, web()); }
    QStringList temporaryFiles() const
    {
        return QDir(m_dir->filePath(u"tmp"_s)).entryList(QDir::Files | QDir::Hidden);
    }
    LiveHost &connectHost() { return *(m_host = std::make_unique<LiveHost>(database())); }

    // Catalog rows go in directly: a table may lack a name, as older tools left it.
    void createDatabase(const QList<TableRow> &tables, const QString &webBar,
                        const QString &overview = {})
    {
        const std::unique_ptr<Corvane::Dravo::Engine> engine =
            Corvane::Dravo::Engine::create(database());
        engine->setWebFolder(web());
        Corvane::Dravo::SettingsTree settings(*engine);
        for (const TableRow &table : tables) {
            QSqlQuery insert(engine->connection());
            insert.prepare(u"INSERT INTO table_catalog (id, name, fallback_name, inspector_name, "
                           "idtable, localname) VALUES (?, coalesce(?, ''), coalesce(?, ''), ?, "
                           "?, ?)"_s);
            for (const QVariant &value :
                 {QVariant(table.id), QVariant(table.name), QVariant(table.fallbackName),
                  QVariant(table.inspector), QVariant(table.id), QVariant(table.inspector)})
                insert.addBindValue(value);
            QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
            if (!table.url.isNull())
                settings.setValue(u"Inspectors\\%1\\WebBar"_s.arg(table.inspector), u"URL"_s,
                                  withWeb(table.url));
        }
        settings.setValue(u"WebBar"_s, u"URL"_s, withWeb(webBar));
        if (!overview.isNull())
            settings.setValue(u"Overview"_s, u"URL"_s, withWeb(overview));
    }

private slots:
    void takePercent(qint16 percent) { m_percents.append(percent); }

    void initTestCase() { m_tmpdir = qgetenv("TMPDIR"); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid() && QDir().mkpath(m_dir->filePath(u"tmp"_s)));
        // The page's temporary archives land here, where the tests can see them.
        qputenv("TMPDIR", QFile::encodeName(m_dir->filePath(u"tmp"_s)));
        m_percents.clear();
        for (const QString &name : {u"start.htm"_s, u"overview.htm"_s, u"customers/customers.htm"_s,
                                    u"products/products.htm"_s})
            EndToEnd::writeFile(web() + u'/' + name, "<html>" + name.toUtf8() + "</html>\n");
    }

    void cleanup()
    {
        m_host.reset();
        m_dir.reset();
        qputenv("TMPDIR", m_tmpdir);
    }

    void assignmentsComeFromTheHost_data()
    {
        DataRows::columns<QList<TableRow>, QStringList, QStringList>({"tables", "pads", "written"});
        const QStringList pads = {u"{web}/start.htm"_s, u"{web}/overview.htm"_s};
        const QStringList written = {u"set actionpad for __database__ To start.htm"_s,
                                     u"set actionpad for __overview__ To overview.htm"_s};
        DataRows::row("no tables: the database's and the overview's assignments only",
                      QList<TableRow>(), pads, written);
        DataRows::row(
            "tables by id: a nameless one under its fallback name, a file name lower-cased without "
            "its query, a web address lower-cased with it, an unset location empty",
            QList<TableRow>{
                {9, u"Archive"_s, {}, u"Archive"_s, {}},
                {7, {}, u"Kunden"_s, u"Customers"_s, u"{web}/customers/customers.htm"_s},
                {3, u"Products"_s, {}, u"Products"_s, u"{web}/Products/Products.HTM?Tab=2?x"_s},
                {2, u"Orders"_s, {}, u"Orders"_s, u"HTTPS://Example.COM/Pads/Orders?View=1"_s}},
            QStringList{u"https://example.com/pads/orders?view=1"_s,
                        u"{web}/products/products.htm"_s, u"{web}/customers/customers.htm"_s,
                        QString()} +
                pads,
            QStringList{u"set actionpad for Products To products.htm"_s,
                        u"set actionpad for Kunden To customers.htm"_s} +
                written);
    }

    void assignmentsComeFromTheHost()
    {
        QFETCH(QList<TableRow>, tables);
        QFETCH(QStringList, pads);
        QFETCH(QStringList, written);
        createDatabase(tables, u"{web}/start.htm"_s, u"{web}/overview.htm"_s);
        const LiveHost::Run run = connectHost().publish();
        QCOMPARE(run.outcome, u"published"_s);

        // The archiver writes each assignment's location before the folders it previews.
        const qsizetype folders =
            run.debugLines.indexOf(QRegularExpression(u"filesToProcess: .*"_s));
        QVERIFY2(folders >= 0, qPrintable(run.debugLines.join(u'\n')));
        for (QString &pad : pads)
            pad = withWeb(pad).toLower();
        QCOMPARE(run.debugLines.mid(0, folders), pads);
        QCOMPARE(run.debugLines.filter(QRegularExpression(u"^set actionpad for "_s)), written);
        const EndToEnd::StoredState stored = EndToEnd::readStoredState(database());
        QCOMPARE(stored.attributes.value(u"defaultactionpad"_s), u"start.htm"_s);
        QCOMPARE(stored.attributes.value(u"overviewactionpad"_s), u"overview.htm"_s);
        QCOMPARE(temporaryFiles(), QStringList());
        QCOMPARE(m_host->application().MousePointer(), 0);
    }

    void archiveOverTheLimitDeclined()
    {
        createDatabase({}, u"{web}/start.htm"_s);
        LiveHost &host = connectHost();
        const QString idle = host.status();
        // A stored file adds its size and a fixed overhead to the archive, measured by a publish.
        const QString padding = web() + u"/padding.png"_s;
        EndToEnd::writeFile(padding, DravoTest::randomBytes(kSizeLimit - 100000, 1));
        QCOMPARE(host.publish().outcome, u"published"_s);
        const EndToEnd::StoredState before = EndToEnd::readStoredState(database());
        EndToEnd::writeFile(
            padding, DravoTest::randomBytes(2 * kSizeLimit - 99999 - before.archive.size(), 2));

        host.answer(u"MB large"_s, QMessageBox::No);
        const LiveHost::Run run = host.publish();
        QCOMPARE(run.outcome, u"declined"_s);
        const QStringList warnings = run.messages.filter(u"MB large"_s);
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.constFirst().startsWith(u"The archive is 10.0 MB large."_s),
                 qPrintable(warnings.constFirst()));
        const EndToEnd::StoredState after = EndToEnd::readStoredState(database());
        QCOMPARE(after.describe(), before.describe());
        QCOMPARE(after.archive, before.archive);
        QCOMPARE(host.status(), idle);
        QCOMPARE(temporaryFiles(), QStringList());
        QVERIFY(host.publishButton()->isEnabled());
        QCOMPARE(host.application().MousePointer(), 0);
    }

    void eachProgressReportAddsOneDot()
    {
        // Five files of 10 % of the bytes and one of 50 %: 10 to 50 %, then 100 % (not shown).
        createDatabase({}, u"{web}/pads/a1.htm"_s);
        for (const QString &name :
             {u"a1.htm"_s, u"a2.txt"_s, u"a3.txt"_s, u"a4.txt"_s, u"a5.txt"_s})
            EndToEnd::writeFile(web() + u"/pads/"_s + name, DravoTest::randomBytes(1000, 7));
        EndToEnd::writeFile(web() + u"/pads/b.txt"_s, DravoTest::randomBytes(5000, 8));
        LiveHost &host = connectHost();
        host.watchChildren([this](QObject *child) {
            if (QByteArray(child->metaObject()->className()).endsWith("ActionPadArchiver"))
                QVERIFY(EndToEnd::connectByName(child, "ZipPercentComplete", this, "takePercent"));
        });
        const LiveHost::Run run = host.publish();
        QCOMPARE(run.outcome, u"published"_s);
        QCOMPARE(m_percents, QList<qint16>({10, 20, 30, 40, 50}));

        const qsizetype zip = run.statuses.indexOf(kZipState);
        const qsizetype created = run.statuses.indexOf(u"Archive created"_s);
        QVERIFY2(zip >= 0 && created > zip, qPrintable(run.statuses.join(u'\n')));
        QStringList expected;
        for (qsizetype dots = 0; dots <= m_percents.size(); ++dots)
            expected.append(kZipState + QString(dots, u'.'));
        QCOMPARE(run.statuses.mid(zip, created - zip), expected);
    }

    void pageContractChangesNothing()
    {
        createDatabase({}, u"{web}/start.htm"_s, u"{web}/overview.htm"_s);
        LiveHost &host = connectHost();
        auto *contract = qobject_cast<Corvane::Host::IPropertyPage *>(host.page());
        QVERIFY(contract);
        // On a fresh database, then on a published one.
        QString previous;
        for (const bool publish : {false, true}) {
            if (publish)
                QCOMPARE(host.publish().outcome, u"published"_s);
            const QString before = dump();
            QVERIFY(before != previous);
            contract->Activate();
            QVERIFY(!contract->Dirty());
            host.dialog()->applyAll();
            host.dialog()->cancelAll();
            contract->Apply();
            contract->Cancel();
            contract->Deactivate();
            QVERIFY(!contract->Dirty());
            QCOMPARE(dump(), before);
            previous = before;
        }
    }

    void closingThePageDuringAPublish_data()
    {
        DataRows::columns<bool>({"wholeDialog"});
        DataRows::row("the dialog cancelled and destroyed while zipping", true);
        DataRows::row("the page destroyed while zipping", false);
    }

    void closingThePageDuringAPublish()
    {
        QFETCH(bool, wholeDialog);
        createDatabase({}, u"{web}/start.htm"_s);
        for (int i = 0; i < 6; ++i)
            EndToEnd::writeFile(web() + u"/data/r%1.bin"_s.arg(i),
                                DravoTest::randomBytes(4000000, quint32(20 + i)));
        LiveHost &host = connectHost();
        QCOMPARE(host.publish().outcome, u"published"_s);
        const QString before = dump();

        host.startPublish();
        QVERIFY(QTest::qWaitFor(
            [&] {
                return host.status().startsWith(kZipState + u'.') ||
                       !host.current().outcome.isEmpty();
            },
            60000));
        QVERIFY2(host.current().outcome.isEmpty(), "the publish ended before it could be closed");
        QVERIFY(!temporaryFiles().isEmpty());
        if (wholeDialog) {
            host.dialog()->reject();
            delete host.dialog();
        } else {
            delete host.page();
        }
        // Whatever the zip component had under way must come to nothing.
        QTest::qWait(1500);
        QVERIFY(host.current().outcome.isEmpty());
        QCOMPARE(dump(), before);
        QCOMPARE(temporaryFiles(), QStringList());
        QCOMPARE(host.application().MousePointer(), 0);
    }
};

QTEST_MAIN(tst_PublishFlow)
#include "tst_publishflow.moc"
