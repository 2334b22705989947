// The publish flow inside one process, with nothing faked: the host's
// application over a real SQLite database, the real add-in loaded from the
// add-in folder and connected, its page in the configuration dialog, the real
// archiver and zip component, and the data engine's Dravo.File. Covers what
// the page gathers from the host, the 10 MB limit, the progress dots, the
// page contract, and a page closed in the middle of a publish.

#include "e2esupport.h"
#include "livehost.h"

#include "dravo/engine.h"
#include "dravo/settingstree.h"
#include "host/api/propertypage.h"
#include "host/impl/application.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using EndToEnd::LiveHost;

namespace {

constexpr qint64 kSizeLimit = 10485760;
const QString kZipState = QStringLiteral("Creating the archive");
const QString kCreatedState = QStringLiteral("Archive created");

// A host table and the location its inspector's web bar names ("{web}" is the
// web folder; a null url: no setting at all).
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

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString database() const { return path(QStringLiteral("corvane.sqlite")); }
    QString web() const { return path(QStringLiteral("web")); }
    QString withWeb(QString text) const { return text.replace(QStringLiteral("{web}"), web()); }
    // What the archiver writes: each pad's location, lower-cased.
    QStringList padLines(const QStringList &texts) const
    {
        QStringList lines;
        for (const QString &text : texts)
            lines.append(withWeb(text).toLower());
        return lines;
    }
    QStringList temporaryFiles() const
    {
        return QDir(path(QStringLiteral("tmp"))).entryList(QDir::Files | QDir::Hidden);
    }

    // A database as the host keeps it. Rows go straight into the catalog, so
    // that a table may lack a name as an older tool may have left it.
    void createDatabase(const QList<TableRow> &tables, const QString &webBar,
                        const QString &overview = QString())
    {
        const std::unique_ptr<Corvane::Dravo::Engine> engine =
            Corvane::Dravo::Engine::create(database());
        engine->setWebFolder(web());
        Corvane::Dravo::SettingsTree settings(*engine);
        for (const TableRow &table : tables) {
            QSqlQuery insert(engine->connection());
            insert.prepare(QStringLiteral("INSERT INTO table_catalog (id, name, fallback_name, "
                                          "inspector_name, idtable, localname) VALUES (?, ?, ?, "
                                          "?, ?, ?)"));
            const auto text = [](const QString &value) {
                return QVariant(value.isNull() ? QStringLiteral("") : value);
            };
            for (const QVariant &value :
                 {QVariant(table.id), text(table.name), text(table.fallbackName),
                  text(table.inspector), QVariant(table.id), text(table.inspector)})
                insert.addBindValue(value);
            QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
            if (!table.url.isNull())
                settings.setValue(QStringLiteral("Inspectors\\%1\\WebBar").arg(table.inspector),
                                  QStringLiteral("URL"), withWeb(table.url));
        }
        settings.setValue(QStringLiteral("WebBar"), QStringLiteral("URL"), withWeb(webBar));
        if (!overview.isNull())
            settings.setValue(QStringLiteral("Overview"), QStringLiteral("URL"), withWeb(overview));
    }

    LiveHost &connectHost()
    {
        m_host = std::make_unique<LiveHost>(database());
        return *m_host;
    }

    // Publishes with stored files whose sizes make the archive exactly this large.
    qint64 paddingFor(qint64 archiveSize)
    {
        const QString padding = web() + QStringLiteral("/padding.png");
        const qint64 first = kSizeLimit - 100000;
        EndToEnd::writeRandomFile(padding, first, 1);
        if (m_host->publish().outcome != QLatin1String("published"))
            return -1;
        const qint64 overhead = EndToEnd::readStoredState(database()).archive.size() - first;
        EndToEnd::writeRandomFile(padding, archiveSize - overhead, 2);
        return archiveSize - overhead;
    }

private slots:
    void takePercent(qint16 percent) { m_percents.append(percent); }

    void initTestCase()
    {
        const QString addin =
            qEnvironmentVariable("CORVANE_ADDIN_DIR") + QStringLiteral("/libcorvane-brimble.so");
        QVERIFY2(QFileInfo::exists(addin), qPrintable(addin));
        m_tmpdir = qgetenv("TMPDIR");
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir().mkpath(path(QStringLiteral("tmp"))));
        // The page's temporary archives land here, where the tests can see them.
        qputenv("TMPDIR", QFile::encodeName(path(QStringLiteral("tmp"))));
        m_percents.clear();
        for (const QString &name :
             {QStringLiteral("start.htm"), QStringLiteral("overview.htm"),
              QStringLiteral("customers/customers.htm"), QStringLiteral("products/products.htm")})
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
        QTest::addColumn<QList<TableRow>>("tables");
        QTest::addColumn<QStringList>("pads");
        QTest::addColumn<QStringList>("written");

        const QString start = QStringLiteral("{web}/start.htm");
        const QString overview = QStringLiteral("{web}/overview.htm");
        const QString writeStart = QStringLiteral("set actionpad for __database__ To start.htm");
        const QString writeOverview =
            QStringLiteral("set actionpad for __overview__ To overview.htm");
        const TableRow customers{7,
                                 {},
                                 QStringLiteral("Kunden"),
                                 QStringLiteral("Customers"),
                                 QStringLiteral("{web}/customers/customers.htm")};
        const TableRow products{3,
                                QStringLiteral("Products"),
                                {},
                                QStringLiteral("Products"),
                                QStringLiteral("{web}/Products/Products.HTM?Tab=2?x")};
        const TableRow orders{2,
                              QStringLiteral("Orders"),
                              {},
                              QStringLiteral("Orders"),
                              QStringLiteral("HTTPS://Example.COM/Pads/Orders?View=1")};
        const TableRow archive{9, QStringLiteral("Archive"), {}, QStringLiteral("Archive"), {}};

        QTest::newRow("no tables: the database's and the overview's assignments only")
            << QList<TableRow>() << QStringList{start, overview}
            << QStringList{writeStart, writeOverview};
        QTest::newRow("a table without a name: its fallback name is the source")
            << QList<TableRow>{customers}
            << QStringList{QStringLiteral("{web}/customers/customers.htm"), start, overview}
            << QStringList{QStringLiteral("set actionpad for Kunden To customers.htm"), writeStart,
                           writeOverview};
        QTest::newRow("a file name: lower-cased, its query cut off")
            << QList<TableRow>{products}
            << QStringList{QStringLiteral("{web}/products/products.htm"), start, overview}
            << QStringList{QStringLiteral("set actionpad for Products To products.htm"), writeStart,
                           writeOverview};
        QTest::newRow("a web address: lower-cased, its query kept")
            << QList<TableRow>{orders}
            << QStringList{QStringLiteral("https://example.com/pads/orders?view=1"), start,
                           overview}
            << QStringList{writeStart, writeOverview};
        QTest::newRow("no location set: an empty file name")
            << QList<TableRow>{archive} << QStringList{QString(), start, overview}
            << QStringList{writeStart, writeOverview};
        QTest::newRow("tables in the order of their ids")
            << QList<TableRow>{archive, customers, products, orders}
            << QStringList{QStringLiteral("https://example.com/pads/orders?view=1"),
                           QStringLiteral("{web}/products/products.htm"),
                           QStringLiteral("{web}/customers/customers.htm"),
                           QString(),
                           start,
                           overview}
            << QStringList{QStringLiteral("set actionpad for Products To products.htm"),
                           QStringLiteral("set actionpad for Kunden To customers.htm"), writeStart,
                           writeOverview};
    }

    void assignmentsComeFromTheHost()
    {
        QFETCH(QList<TableRow>, tables);
        QFETCH(QStringList, pads);
        QFETCH(QStringList, written);
        createDatabase(tables, QStringLiteral("{web}/start.htm"),
                       QStringLiteral("{web}/overview.htm"));
        const LiveHost::Run run = connectHost().publish();
        QCOMPARE(run.outcome, QStringLiteral("published"));

        // The archiver writes each assignment's location, in collection order,
        // before the list of folders it previews.
        const qsizetype folders =
            run.debugLines.indexOf(QRegularExpression(QStringLiteral("filesToProcess: .*")));
        QVERIFY2(folders >= 0, qPrintable(run.debugLines.join(u'\n')));
        QCOMPARE(run.debugLines.mid(0, folders), padLines(pads));

        QStringList writes;
        for (const QString &line : run.debugLines) {
            if (line.startsWith(QLatin1String("set actionpad for ")))
                writes.append(line);
        }
        QCOMPARE(writes, written);
        const EndToEnd::StoredState stored = EndToEnd::readStoredState(database());
        QCOMPARE(stored.attributes.value(QStringLiteral("defaultactionpad")),
                 QStringLiteral("start.htm"));
        QCOMPARE(stored.attributes.value(QStringLiteral("overviewactionpad")),
                 QStringLiteral("overview.htm"));
    }

    void sizeLimit_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("stored");
        QTest::newRow("exactly 10485760 bytes: no question, stored")
            << kSizeLimit << int(QMessageBox::No) << true;
        QTest::newRow("one byte more, answered No: nothing stored")
            << kSizeLimit + 1 << int(QMessageBox::No) << false;
        QTest::newRow("one byte more, answered Yes: stored")
            << kSizeLimit + 1 << int(QMessageBox::Yes) << true;
    }

    void sizeLimit()
    {
        QFETCH(qint64, size);
        QFETCH(int, answer);
        QFETCH(bool, stored);
        createDatabase({}, QStringLiteral("{web}/start.htm"));
        LiveHost &host = connectHost();
        const QString idle = host.status();
        QVERIFY(paddingFor(size) > 0);
        const EndToEnd::StoredState before = EndToEnd::readStoredState(database());

        host.answer(QStringLiteral("MB large"), QMessageBox::StandardButton(answer));
        const LiveHost::Run run = host.publish();
        const QStringList warnings = run.messages.filter(QStringLiteral("MB large"));
        QCOMPARE(warnings.size(), size > kSizeLimit ? 1 : 0);
        if (!warnings.isEmpty())
            QVERIFY2(
                warnings.constFirst().startsWith(QLatin1String("The archive is 10.0 MB large.")),
                qPrintable(warnings.constFirst()));

        const EndToEnd::StoredState after = EndToEnd::readStoredState(database());
        if (stored) {
            QCOMPARE(run.outcome, QStringLiteral("published"));
            QCOMPARE(after.archive.size(), size);
            QCOMPARE(after.cacheGeneration, before.cacheGeneration + 1);
        } else {
            QCOMPARE(run.outcome, QStringLiteral("declined"));
            QCOMPARE(after.describe(), before.describe());
            QCOMPARE(after.archive, before.archive);
            QCOMPARE(host.status(), idle);
        }
        QVERIFY(!run.archive.isEmpty());
        QVERIFY2(!QFileInfo::exists(run.archive), qPrintable(run.archive));
        QCOMPARE(temporaryFiles(), QStringList());
        QVERIFY(host.publishButton()->isEnabled());
        QCOMPARE(host.application().MousePointer(), 0);
    }

    void eachProgressReportAddsOneDot()
    {
        // Six small files, 10 % of the bytes each but the last with 50 %: the
        // zip reaches 10, 20, 30, 40 and 50 %, then 100 %, which is not shown.
        createDatabase({}, QStringLiteral("{web}/pads/a1.htm"));
        for (const QString &name :
             {QStringLiteral("a1.htm"), QStringLiteral("a2.txt"), QStringLiteral("a3.txt"),
              QStringLiteral("a4.txt"), QStringLiteral("a5.txt")})
            EndToEnd::writeRandomFile(web() + QStringLiteral("/pads/") + name, 1000, 7);
        EndToEnd::writeRandomFile(web() + QStringLiteral("/pads/b.txt"), 5000, 8);

        LiveHost &host = connectHost();
        host.watchChildren([this](QObject *child) {
            if (QByteArray(child->metaObject()->className()).endsWith("ActionPadArchiver"))
                QVERIFY(EndToEnd::connectByName(child, "ZipPercentComplete", this, "takePercent"));
        });
        const LiveHost::Run run = host.publish();
        QCOMPARE(run.outcome, QStringLiteral("published"));
        QCOMPARE(m_percents, QList<qint16>({10, 20, 30, 40, 50}));

        const qsizetype zip = run.statuses.indexOf(kZipState);
        const qsizetype created = run.statuses.indexOf(kCreatedState);
        QVERIFY2(zip >= 0 && created > zip, qPrintable(run.statuses.join(u'\n')));
        QStringList expected;
        for (int dots = 0; dots <= m_percents.size(); ++dots)
            expected.append(kZipState + QString(dots, u'.'));
        QCOMPARE(run.statuses.mid(zip, created - zip), expected);
    }

    void pageContractChangesNothing()
    {
        createDatabase({}, QStringLiteral("{web}/start.htm"), QStringLiteral("{web}/overview.htm"));
        LiveHost &host = connectHost();
        auto *contract = qobject_cast<Corvane::Host::IPropertyPage *>(host.page());
        QVERIFY(contract);
        const auto exercise = [&] {
            contract->Activate();
            QVERIFY(!contract->Dirty());
            host.dialog()->applyAll();
            host.dialog()->cancelAll();
            contract->Apply();
            contract->Cancel();
            contract->Deactivate();
            QVERIFY(!contract->Dirty());
        };

        const QString fresh = EndToEnd::sqliteDump(database());
        exercise();
        QCOMPARE(EndToEnd::sqliteDump(database()), fresh);

        QCOMPARE(host.publish().outcome, QStringLiteral("published"));
        const QString published = EndToEnd::sqliteDump(database());
        QVERIFY(published != fresh);
        exercise();
        QCOMPARE(EndToEnd::sqliteDump(database()), published);
    }

    void closingThePageDuringAPublish_data()
    {
        QTest::addColumn<bool>("wholeDialog");
        QTest::newRow("the dialog cancelled and destroyed while zipping") << true;
        QTest::newRow("the page destroyed while zipping") << false;
    }

    void closingThePageDuringAPublish()
    {
        QFETCH(bool, wholeDialog);
        createDatabase({}, QStringLiteral("{web}/start.htm"));
        for (int i = 0; i < 6; ++i)
            EndToEnd::writeRandomFile(web() + QStringLiteral("/data/r%1.bin").arg(i), 4000000,
                                      quint32(20 + i));
        LiveHost &host = connectHost();
        QCOMPARE(host.publish().outcome, QStringLiteral("published"));
        const QString before = EndToEnd::sqliteDump(database());

        host.startPublish();
        QVERIFY(LiveHost::waitFor(
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
        QCOMPARE(EndToEnd::sqliteDump(database()), before);
        QCOMPARE(temporaryFiles(), QStringList());
        QCOMPARE(host.application().MousePointer(), 0);
    }
};

QTEST_MAIN(tst_PublishFlow)
#include "tst_publishflow.moc"
