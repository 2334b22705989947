// `corvane-admin publish` as an administrator or a script runs it, on the demo
// database: the status lines it prints, what `actionpads show` and `actionpads
// extract` give afterwards, and what zip readers that share no code with the
// system (Python's zipfile, Info-ZIP's unzip) make of the stored archive. Each
// test runs on a fresh SQLite file, then on a fresh PostgreSQL database.

#include "e2esupport.h"

#include "../app/admintool.h"
#include "../dravo/dravotest.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

using EndToEnd::ZipEntry;

namespace {

constexpr qint64 kSizeLimit = 10485760;

// The states a publish of the demo shows, in English, in this order.
const QString kAnalyze = QStringLiteral("Checking the action pads");
const QString kDuplicates = QStringLiteral("Waiting for the choice between files of the same name");
const QString kZip = QStringLiteral("Creating the archive");
const QString kCreated = QStringLiteral("Archive created");
const QString kStore = QStringLiteral("Storing the archive in the database");
const QString kPublished = QStringLiteral("The action pads are published.");

// The states among the output lines, each once; the zip state's dotted lines count as it.
QStringList statesIn(const QString &output)
{
    const QStringList known = {kAnalyze, kDuplicates, kZip, kCreated, kStore, kPublished};
    QStringList states;
    for (QString line : output.split(QLatin1Char('\n'))) {
        if (line.startsWith(kZip))
            line = kZip;
        if (known.contains(line) && (states.isEmpty() || states.constLast() != line))
            states.append(line);
    }
    return states;
}

// The dots after the zip state, line by line: one more on each line.
QList<int> zipDots(const QString &output)
{
    static const QRegularExpression dotted(QStringLiteral("^Creating the archive(\\.*)$"),
                                           QRegularExpression::MultilineOption);
    QList<int> dots;
    for (auto it = dotted.globalMatch(output); it.hasNext();)
        dots.append(int(it.next().capturedLength(1)));
    return dots;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_PublishCli : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DravoTest::ScratchDatabase> m_db;

    QString web() const { return m_db->folder() + QStringLiteral("/web"); }

    AdminTool::Result admin(QStringList arguments) const
    {
        return AdminTool::run(arguments << QStringLiteral("--database") << m_db->location());
    }
    AdminTool::Result publish() const
    {
        return admin(
            {QStringLiteral("publish"), QStringLiteral("--language"), QStringLiteral("en")});
    }
    void setLocation(const QString &node, const QString &url) const
    {
        QCOMPARE(admin({QStringLiteral("settings"), QStringLiteral("set"), node,
                        QStringLiteral("URL"), url})
                     .exitCode,
                 0);
    }
    QJsonObject show() const
    {
        const AdminTool::Result result =
            admin({QStringLiteral("actionpads"), QStringLiteral("show"), QStringLiteral("--json")});
        if (result.exitCode != 0)
            qWarning("actionpads show: %s", qPrintable(result.errors));
        return QJsonDocument::fromJson(result.output.toUtf8()).object();
    }

    // Extracts the stored archive and reads it independently: its bytes are
    // as many as `show` says, unzip -t finds it sound (an empty archive has
    // nothing to test), zipfile lists the entries `show` lists, and no entry
    // name leads outside the folder it is extracted to.
    void checkStoredArchive(const QJsonObject &shown, QList<ZipEntry> *entries,
                            QByteArray *bytes = nullptr)
    {
        const QString target = m_db->folder() + QStringLiteral("/extracted.zip");
        const AdminTool::Result extracted =
            admin({QStringLiteral("actionpads"), QStringLiteral("extract"), target});
        QVERIFY2(extracted.exitCode == 0, qPrintable(extracted.errors));
        QCOMPARE(QFileInfo(target).size(), shown.value(QStringLiteral("size")).toInteger());
        if (bytes)
            *bytes = readAll(target);

        const QJsonArray listed = shown.value(QStringLiteral("entries")).toArray();
        if (!listed.isEmpty()) {
            QString unzipOutput;
            QVERIFY2(EndToEnd::unzipTest(target, &unzipOutput) == 0, qPrintable(unzipOutput));
        }
        QString error;
        *entries = EndToEnd::pythonEntries(target, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(entries->size(), listed.size());
        for (qsizetype i = 0; i < listed.size(); ++i) {
            const QJsonObject entry = listed.at(i).toObject();
            const ZipEntry &read = entries->at(i);
            QCOMPARE(read.name, entry.value(QStringLiteral("name")).toString());
            QCOMPARE(read.size, entry.value(QStringLiteral("size")).toInteger());
            QCOMPARE(read.compressedSize,
                     entry.value(QStringLiteral("compressedSize")).toInteger());
            QCOMPARE(read.crc32, entry.value(QStringLiteral("crc32")).toString());
        }
        QCOMPARE(EndToEnd::unsafeNames(EndToEnd::namesOf(*entries)), QStringList());
    }

private slots:
    void initTestCase()
    {
        DRAVO_REQUIRE_BACKEND();
        QVERIFY2(QFileInfo::exists(AdminTool::program()), qPrintable(AdminTool::program()));
    }

    void init()
    {
        m_db = std::make_unique<DravoTest::ScratchDatabase>();
        const AdminTool::Result result = admin({QStringLiteral("init"), QStringLiteral("--demo"),
                                                QStringLiteral("--web-folder"), web()});
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
    }

    void cleanup() { m_db.reset(); }

    void publishStoresTheDemoArchive()
    {
        const qint64 generation = show().value(QStringLiteral("cacheGeneration")).toInteger();
        const AdminTool::Result result = publish();
        QVERIFY2(result.exitCode == 0, qPrintable(result.output + result.errors));
        QCOMPARE(statesIn(result.output),
                 QStringList({kAnalyze, kDuplicates, kZip, kCreated, kStore, kPublished}));
        const QList<int> dots = zipDots(result.output);
        QVERIFY(!dots.isEmpty() && dots.size() <= 20);
        for (qsizetype i = 0; i < dots.size(); ++i)
            QCOMPARE(dots.at(i), int(i));

        const QJsonObject shown = show();
        QCOMPARE(shown.value(QStringLiteral("cacheGeneration")).toInteger(), generation + 1);
        QList<ZipEntry> entries;
        checkStoredArchive(shown, &entries);
        if (QTest::currentTestFailed())
            return;

        // Each entry holds the bytes of a web file that its name, relative to
        // the folder of the action pad that reached it, ends; every file is in
        // but the second index.htm of the demo's clash, which the duplicates
        // dialog leaves out by default.
        const QHash<QString, QByteArray> files = EndToEnd::folderHashes(web());
        for (const ZipEntry &entry : std::as_const(entries)) {
            bool found = false;
            for (auto it = files.cbegin(); it != files.cend() && !found; ++it)
                found = (it.key() == entry.name || it.key().endsWith(u'/' + entry.name)) &&
                        it.value() == entry.sha256;
            QVERIFY2(found, qPrintable(entry.name));
        }
        QCOMPARE(entries.size(), files.size() - 1);

        const QJsonObject attributes = shown.value(QStringLiteral("attributes")).toObject();
        QCOMPARE(attributes.value(QStringLiteral("defaultactionpad")).toString(),
                 QStringLiteral("start.htm"));
        QCOMPARE(attributes.value(QStringLiteral("overviewactionpad")).toString(),
                 QStringLiteral("übersicht.htm"));
        for (const QJsonValue &page : attributes)
            QVERIFY2(EndToEnd::namesOf(entries).contains(page.toString()),
                     qPrintable(page.toString()));
    }

    void republishingGivesTheSameEntries()
    {
        QCOMPARE(publish().exitCode, 0);
        const QJsonObject first = show();
        QCOMPARE(publish().exitCode, 0);
        const QJsonObject second = show();
        QVERIFY(!first.value(QStringLiteral("entries")).toArray().isEmpty());
        QCOMPARE(second.value(QStringLiteral("entries")), first.value(QStringLiteral("entries")));
        QCOMPARE(second.value(QStringLiteral("attributes")),
                 first.value(QStringLiteral("attributes")));
        QCOMPARE(second.value(QStringLiteral("cacheGeneration")).toInteger(),
                 first.value(QStringLiteral("cacheGeneration")).toInteger() + 1);
    }

    void webAddressesOnlyStoreAnEmptyArchive()
    {
        QCOMPARE(publish().exitCode, 0);
        const QJsonObject first = show();
        const qint64 generation = first.value(QStringLiteral("cacheGeneration")).toInteger();
        setLocation(QStringLiteral("WebBar"), QStringLiteral("HTTPS://Example.COM/Start?Tab=1"));
        setLocation(QStringLiteral("Overview"), QStringLiteral("res://corvane/overview.htm"));
        setLocation(QStringLiteral("Inspectors\\Customers\\WebBar"),
                    QStringLiteral("http://intranet/customers"));
        setLocation(QStringLiteral("Inspectors\\Products\\WebBar"),
                    QStringLiteral("file:///srv/pads/products.htm"));

        const AdminTool::Result result = publish();
        QVERIFY2(result.exitCode == 0, qPrintable(result.output + result.errors));
        QCOMPARE(statesIn(result.output),
                 QStringList({kAnalyze, kZip, kCreated, kStore, kPublished}));

        const QJsonObject shown = show();
        QCOMPARE(shown.value(QStringLiteral("cacheGeneration")).toInteger(), generation + 1);
        QCOMPARE(shown.value(QStringLiteral("entries")).toArray().size(), 0);
        QList<ZipEntry> entries;
        QByteArray bytes;
        checkStoredArchive(shown, &entries, &bytes);
        if (QTest::currentTestFailed())
            return;
        // An empty archive is its end record alone: signature, no entries.
        QCOMPARE(bytes, QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));

        // An assignment is written back only when it changed, and a location
        // read from the host is no change: the previous page names stay.
        QCOMPARE(shown.value(QStringLiteral("attributes")),
                 first.value(QStringLiteral("attributes")));
    }

    void archiveSizeLimit_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("asked");
        QTest::newRow("exactly 10485760 bytes: stored without a question") << kSizeLimit << false;
        QTest::newRow("10485761 bytes: the question's default Yes stores it")
            << kSizeLimit + 1 << true;
    }

    void archiveSizeLimit()
    {
        QFETCH(qint64, size);
        QFETCH(bool, asked);
        // Stored files (images are not compressed again) add their size and a
        // fixed overhead per entry, measured with a first publish.
        const QString padding = web() + QStringLiteral("/images/padding.png");
        const qint64 firstPadding = kSizeLimit - 100000;
        EndToEnd::writeRandomFile(padding, firstPadding, 1);
        QCOMPARE(publish().exitCode, 0);
        const qint64 overhead = show().value(QStringLiteral("size")).toInteger() - firstPadding;
        EndToEnd::writeRandomFile(padding, size - overhead, 2);

        const AdminTool::Result result = publish();
        QVERIFY2(result.exitCode == 0, qPrintable(result.output + result.errors));
        QCOMPARE(result.errors.contains(QLatin1String("MB large")), asked);
        if (asked)
            QVERIFY2(result.errors.contains(QLatin1String("The archive is 10.0 MB large.")),
                     qPrintable(result.errors));
        const QJsonObject shown = show();
        QCOMPARE(shown.value(QStringLiteral("size")).toInteger(), size);
        QList<ZipEntry> entries;
        checkStoredArchive(shown, &entries);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(EndToEnd::namesOf(entries).contains(QStringLiteral("images/padding.png")));
    }
};

DRAVO_TEST_MAIN(tst_PublishCli)
#include "tst_publishcli.moc"
