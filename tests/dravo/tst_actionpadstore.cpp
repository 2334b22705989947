#include "dravotest.h"
#include "tests/datarows.h"

#include "dravo/actionpadstore.h"
#include "dravo/publishrecord.h"
#include "dravo/servercache.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QProcess>

using Corvane::Dravo::ActionPadStore;
using Corvane::Dravo::Engine;
using Corvane::Dravo::PublishRecord;
using DravoTest::ScratchDatabase;

namespace {

constexpr qint64 kChunk = ActionPadStore::kChunkSize;
using Attributes = QHash<QString, QString>;
using namespace DataRows;

// What a new connection reads.
QByteArray storedBytes(const ScratchDatabase &db)
{
    auto reader = Engine::open(db.location());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ActionPadStore(*reader).readContent(buffer);
    return buffer.data();
}

} // namespace

class tst_ActionPadStore final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DRAVO_REQUIRE_BACKEND(); }

    void roundTripsArchives_data()
    {
        columns<qint64, int>({"size", "chunks"});
        QTest::newRow("empty archive") << qint64(0) << 0;
        QTest::newRow("exactly one chunk") << kChunk << 1;
        QTest::newRow("one byte over a chunk") << kChunk + 1 << 2;
    }

    void roundTripsArchives()
    {
        QFETCH(qint64, size);
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        QVERIFY(!ActionPadStore(*engine).hasContent());
        const QByteArray archive = DravoTest::randomBytes(size, 7);
        ActionPadStore(*engine).save(DravoTest::writeFile(db.folder(), "archive.zip", archive), {});

        auto reader = Engine::open(db.location()); // nothing is kept in the writer
        QVERIFY(ActionPadStore(*reader).hasContent());
        QCOMPARE(ActionPadStore(*reader).contentSize(), size);
        QVERIFY2(storedBytes(db) == archive, "the stored bytes differ");
        QTEST(db.execute("SELECT COUNT(*) FROM actionpad_chunk").toInt(), "chunks");
        QCOMPARE(ActionPadStore(*reader).contentSha256(),
                 QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex());
    }

    void contentAndAttributesChangeIndependently()
    {
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        ActionPadStore store(*engine);
        store.save(DravoTest::writeFile(db.folder(), "big.zip",
                                        DravoTest::randomBytes(kChunk * 2 + 10, 1)),
                   {{"DefaultActionPad", "db.html"}});
        store.save(std::nullopt, {{"overviewactionpad", "o.html"}, {"defaultactionpad", ""}});
        const QByteArray small = DravoTest::randomBytes(100, 2);
        store.save(DravoTest::writeFile(db.folder(), "small.zip", small), {});
        QCOMPARE(storedBytes(db), small); // no stale chunks left
        // An empty value removed the attribute.
        QCOMPARE(store.attributes(), (Attributes{{"overviewactionpad", "o.html"}}));
    }

    // Stored bytes that are no longer what was saved are never passed on as the archive.
    void damageIsCaught_data()
    {
        columns<QString, QString>({"damage", "fragment"});
        row("bytes not what was saved", "UPDATE actionpad_content SET sha256 = '00'",
            "do not match the SHA-256");
        row("a chunk lost", "DELETE FROM actionpad_chunk WHERE seq = 1", "part 2 of 2 is missing");
    }

    void damageIsCaught()
    {
        QFETCH(QString, damage);
        QFETCH(QString, fragment);
        ScratchDatabase db;
        ActionPadStore(*Engine::create(db.location()))
            .save(
                DravoTest::writeFile(db.folder(), "a.zip", DravoTest::randomBytes(kChunk + 500, 3)),
                {});
        db.execute(damage);
        auto reader = Engine::open(db.location());
        DRAVO_EXPECT_ERROR(storedBytes(db), 5, fragment);
        DRAVO_EXPECT_ERROR(ActionPadStore(*reader).checkContent(), 5, "is damaged");
        QVERIFY(!reader->inTransaction());
    }

    // A store records the new archive's entries from its central directory (zip64 from 65,535
    // entries); a listing kept in a form this version cannot read gives way to the stored
    // archive's own directory.
    void listsArchiveEntries_data()
    {
        columns<int>({"entries"});
        QTest::newRow("three entries") << 3;
        QTest::newRow("zip64: 70,000 entries") << 70000;
    }

    void listsArchiveEntries()
    {
        QFETCH(int, entries);
        ScratchDatabase db;
        const QString archive = db.folder() + QStringLiteral("/a.zip");
        QProcess python; // an independent writer; it prints the CRC-32 of entry d/2.htm
        python.start("python3", {"-c",
                                 "import sys, zipfile\n"
                                 "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                                 "    for i in range(int(sys.argv[2])): z.writestr(f'd/{i}.htm', "
                                 "str(i))\n"
                                 "    print(z.getinfo('d/2.htm').CRC)",
                                 archive, QString::number(entries)});
        QVERIFY(python.waitForFinished(120000) && python.exitCode() == 0);
        auto engine = Engine::create(db.location());
        ActionPadStore(*engine).save(archive, {});
        QCOMPARE(PublishRecord::read(*engine)->entries, qint64(entries));

        db.execute("UPDATE actionpad_publish SET listing = 'earlier form'");
        const std::optional<Corvane::Dravo::EntryListing> listing =
            PublishRecord::storedEntries(*engine);
        QVERIFY(listing);
        QCOMPARE(listing->size(), entries);
        QCOMPARE(listing->crcOf(QStringLiteral("d/2.htm")), python.readAll().trimmed().toUInt());
    }

    // A version 1 database (before the server cache and checksums) is brought up to date on
    // open, the stored archive's checksum recorded.
    void upgradesVersion1()
    {
        ScratchDatabase db;
        const QByteArray archive = DravoTest::randomBytes(kChunk + 20, 9);
        ActionPadStore(*Engine::create(db.location()))
            .save(DravoTest::writeFile(db.folder(), "a.zip", archive), {});
        for (const char *sql : {"DROP TABLE server_cache", "DROP TABLE actionpad_publish",
                                "ALTER TABLE actionpad_content DROP COLUMN sha256",
                                "UPDATE corvane_schema SET version = 1"})
            db.execute(sql);
        if (DravoTest::backend() == DravoTest::Backend::PostgreSql)
            db.execute("DROP FUNCTION qsp_refreshqdc()");
        auto upgraded = Engine::open(db.location());
        QCOMPARE(ActionPadStore(*upgraded).contentSha256(),
                 QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex());
        QCOMPARE(db.execute("SELECT version FROM corvane_schema").toInt(), Engine::schemaVersion());
        Corvane::Dravo::ServerCache cache(*upgraded);
        cache.refresh();
        QCOMPARE(cache.generation(), 1);
    }

    // A save that fails half-way (attributes written, old chunks removed) changes nothing.
    void failedSaveChangesNothing()
    {
        const QString fileName = "folder.zip"; // a folder, not a file
        ScratchDatabase db;
        auto engine = Engine::create(db.location());
        const QByteArray archive = DravoTest::randomBytes(kChunk + 500, 5);
        const Attributes attributes{{"defaultactionpad", "a"}};
        ActionPadStore store(*engine);
        store.save(DravoTest::writeFile(db.folder(), "old.zip", archive), attributes);
        QVERIFY(QDir(db.folder()).mkdir("folder.zip"));
        DRAVO_EXPECT_ERROR(store.save(db.folder() + '/' + fileName,
                                      {{"defaultactionpad", "b"}, {"overviewactionpad", "c"}}),
                           53, fileName);
        QVERIFY(!engine->inTransaction());
        auto reader = Engine::open(db.location());
        QCOMPARE(ActionPadStore(*reader).attributes(), attributes);
        QVERIFY(storedBytes(db) == archive);
    }
};

DRAVO_TEST_MAIN(tst_ActionPadStore)
#include "tst_actionpadstore.moc"
