#include "dravotest.h"

#include "dravo/actionpadstore.h"

#include <QBuffer>
#include <QDir>

using Corvane::Dravo::ActionPadStore;
using Corvane::Dravo::Engine;
using DravoTest::ScratchDatabase;

namespace {

constexpr qint64 kChunk = ActionPadStore::kChunkSize;
using Attributes = QHash<QString, QString>;

QByteArray storedBytes(ActionPadStore &&store)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    store.readContent(buffer);
    return buffer.data();
}

} // namespace

class TstActionPadStore final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DRAVO_REQUIRE_BACKEND(); }

    void init()
    {
        m_db = std::make_unique<ScratchDatabase>();
        m_engine = Engine::create(m_db->location());
    }

    void cleanup()
    {
        m_engine.reset();
        m_db.reset();
    }

    void startsEmpty()
    {
        ActionPadStore store(*m_engine);
        QVERIFY(!store.hasContent());
        QCOMPARE(store.contentSize(), 0);
        QCOMPARE(storedBytes(ActionPadStore(*m_engine)), QByteArray());
        QVERIFY(store.attributes().isEmpty());
    }

    void roundTripsArchives_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("chunks");
        QTest::newRow("empty archive") << qint64(0) << 0;
        QTest::newRow("one byte short of a chunk") << kChunk - 1 << 1;
        QTest::newRow("exactly one chunk") << kChunk << 1;
        QTest::newRow("one byte over a chunk") << kChunk + 1 << 2;
        QTest::newRow("several chunks") << kChunk * 7 / 2 << 4;
    }

    void roundTripsArchives()
    {
        QFETCH(qint64, size);
        QFETCH(int, chunks);
        const QByteArray archive = DravoTest::randomBytes(size, 7);
        ActionPadStore(*m_engine).save(
            DravoTest::writeFile(m_db->folder(), QStringLiteral("archive.zip"), archive), {});

        auto reader = Engine::open(m_db->location()); // nothing is kept in the writer
        QVERIFY(ActionPadStore(*reader).hasContent());
        QCOMPARE(ActionPadStore(*reader).contentSize(), size);
        QVERIFY2(storedBytes(ActionPadStore(*reader)) == archive, "the stored bytes differ");
        QCOMPARE(m_db->execute(QStringLiteral("SELECT COUNT(*) FROM actionpad_chunk")).toInt(),
                 chunks);
    }

    void contentAndAttributesChangeIndependently()
    {
        ActionPadStore store(*m_engine);
        store.save(DravoTest::writeFile(m_db->folder(), QStringLiteral("big.zip"),
                                        DravoTest::randomBytes(kChunk * 2 + 10, 1)),
                   {{QStringLiteral("DefaultActionPad"), QStringLiteral("db.html")}});
        store.save(std::nullopt, {{QStringLiteral("overviewactionpad"), QStringLiteral("o.html")},
                                  {QStringLiteral("defaultactionpad"), QString()}});
        const QByteArray small = DravoTest::randomBytes(100, 2);
        store.save(DravoTest::writeFile(m_db->folder(), QStringLiteral("small.zip"), small), {});

        QCOMPARE(storedBytes(ActionPadStore(*m_engine)), small); // no stale chunks left
        QCOMPARE(store.attributes(),
                 (Attributes{{QStringLiteral("defaultactionpad"), QString()},
                             {QStringLiteral("overviewactionpad"), QStringLiteral("o.html")}}));
    }

    // A save that fails half-way (after the attributes were written and the
    // old chunks removed, inside its transaction) leaves the file as it was.
    void failedSaveChangesNothing_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("file vanished") << "gone.zip";
        QTest::newRow("a folder, not a file") << "folder.zip";
    }

    void failedSaveChangesNothing()
    {
        QFETCH(QString, fileName);
        const QByteArray archive = DravoTest::randomBytes(kChunk + 500, 5);
        const Attributes attributes{{QStringLiteral("defaultactionpad"), QStringLiteral("a")}};
        ActionPadStore store(*m_engine);
        store.save(DravoTest::writeFile(m_db->folder(), QStringLiteral("old.zip"), archive),
                   attributes);
        QVERIFY(QDir(m_db->folder()).mkdir(QStringLiteral("folder.zip")));

        DRAVO_EXPECT_ERROR(store.save(m_db->folder() + QLatin1Char('/') + fileName,
                                      {{QStringLiteral("defaultactionpad"), QStringLiteral("b")},
                                       {QStringLiteral("overviewactionpad"), QStringLiteral("c")}}),
                           53, fileName);
        QVERIFY(!m_engine->inTransaction());
        auto reader = Engine::open(m_db->location());
        QCOMPARE(ActionPadStore(*reader).attributes(), attributes);
        QVERIFY(storedBytes(ActionPadStore(*reader)) == archive);
    }

private:
    std::unique_ptr<ScratchDatabase> m_db;
    std::unique_ptr<Engine> m_engine;
};

DRAVO_TEST_MAIN(TstActionPadStore)
#include "tst_actionpadstore.moc"
