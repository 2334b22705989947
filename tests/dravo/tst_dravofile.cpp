#include "dravotest.h"

#include "dravo/actionpadstore.h"
#include "dravo/components.h"
#include "dravo/dravofile.h"
#include "dravo/engineprovider.h"
#include "host/api/database.h"
#include "platform/componentregistry.h"

#include <QBuffer>
#include <QFile>

using Corvane::Dravo::ActionPadStore;
using Corvane::Dravo::DravoFile;
using Corvane::Dravo::Engine;
using Corvane::Host::IDravoFile;
using DravoTest::ScratchDatabase;

namespace {

using Attributes = QHash<QString, QString>;

// A database as the host has it (served by an engine), or one of another engine.
class Database final : public Corvane::Host::IDatabase, public Corvane::Dravo::EngineProvider
{
public:
    explicit Database(Engine *engine)
        : m_engine(engine)
    {
    }
    Corvane::Host::ITables *Tables() override { return nullptr; }
    std::shared_ptr<Corvane::Host::ISettingsNode> Settings() override { return {}; }
    QString ServerName() const override { return QStringLiteral("elsewhere"); }
    QString DatabaseName() const override { return QStringLiteral("foreign"); }
    void BeginTrans() override { m_engine->begin(); }
    void CommitTrans() override { m_engine->commit(); }
    void Rollback() override { m_engine->rollback(); }
    Engine &engine() override { return *m_engine; }

private:
    Engine *m_engine;
};

class ForeignDatabase final : public Corvane::Host::IDatabase
{
public:
    Corvane::Host::ITables *Tables() override { return nullptr; }
    std::shared_ptr<Corvane::Host::ISettingsNode> Settings() override { return {}; }
    QString ServerName() const override { return QStringLiteral("elsewhere"); }
    QString DatabaseName() const override { return QStringLiteral("foreign"); }
    void BeginTrans() override {}
    void CommitTrans() override {}
    void Rollback() override {}
};

} // namespace

class TstDravoFile final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        DRAVO_REQUIRE_BACKEND();
        Corvane::Dravo::registerComponents();
    }

    void init()
    {
        m_db = std::make_unique<ScratchDatabase>();
        m_engine = Engine::create(m_db->location());
        m_database = std::make_unique<Database>(m_engine.get());
        m_oldArchive = DravoTest::randomBytes(ActionPadStore::kChunkSize + 77, 11);
        ActionPadStore(*m_engine).save(
            DravoTest::writeFile(m_db->folder(), QStringLiteral("old.zip"), m_oldArchive),
            {{QStringLiteral("defaultactionpad"), QStringLiteral("old.html")}});
        m_newArchive = DravoTest::randomBytes(3000, 12);
        m_newPath = DravoTest::writeFile(m_db->folder(), QStringLiteral("new.zip"), m_newArchive);
    }

    void cleanup()
    {
        m_database.reset();
        m_engine.reset();
        m_db.reset();
    }

    // As the add-in does it: created by class identifier, changes, Save, Close.
    void savesContentAndAttributesTogether()
    {
        const auto object =
            Corvane::Platform::ComponentRegistry::instance().create(QStringLiteral("dravo.file"));
        auto *file = qobject_cast<IDravoFile *>(object.get());
        QVERIFY(file);
        file->Open(m_database.get(), IDravoFile::ActionPadFile, IDravoFile::ForUpdate, nullptr);
        file->LoadFromFile(m_newPath);
        file->SetAttribute(QStringLiteral("defaultactionpad"), QStringLiteral("new.html"));
        file->SetAttribute(QStringLiteral("overviewactionpad"), QVariant(QString()));
        expectStored(m_oldArchive,
                     {{QStringLiteral("defaultactionpad"), QStringLiteral("old.html")}});
        file->Save();
        file->Close();
        expectStored(m_newArchive,
                     {{QStringLiteral("defaultactionpad"), QStringLiteral("new.html")},
                      {QStringLiteral("overviewactionpad"), QString()}});
    }

    void abandonedChangesLeaveTheFile_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("Close without Save") << "close";
        QTest::newRow("released without Close") << "release";
        QTest::newRow("file vanished before Save") << "vanish";
    }

    void abandonedChangesLeaveTheFile()
    {
        QFETCH(QString, ending);
        auto file = std::make_unique<DravoFile>();
        file->Open(m_database.get(), 123, 3, nullptr);
        file->SetAttribute(QStringLiteral("defaultactionpad"), QStringLiteral("new.html"));
        file->LoadFromFile(m_newPath);
        if (ending == QLatin1String("close")) {
            file->Close();
            file->Open(m_database.get(), 123, 3, nullptr); // a new Open starts clean
            file->Save();
        } else if (ending == QLatin1String("release")) {
            file.reset();
        } else {
            QVERIFY(QFile::remove(m_newPath));
            DRAVO_EXPECT_ERROR(file->Save(), 53, QStringLiteral("new.zip"));
        }
        expectStored(m_oldArchive,
                     {{QStringLiteral("defaultactionpad"), QStringLiteral("old.html")}});
    }

    void refusesBadCalls_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("another file kind") << "engine" << 124 << 3 << "" << 5 << "file kind 124";
        QTest::newRow("another open mode") << "engine" << 123 << 1 << "" << 5 << "open mode 1";
        QTest::newRow("no database") << "none" << 123 << 3 << "" << 424 << "given none";
        QTest::newRow("another engine's database") << "foreign" << 123 << 3 << "" << 5 << "foreign";
        QTest::newRow("SetAttribute before Open")
            << "" << 0 << 0 << "SetAttribute" << 5 << "SetAttribute was called before Open";
        QTest::newRow("LoadFromFile before Open")
            << "" << 0 << 0 << "LoadFromFile" << 5 << "LoadFromFile was called before Open";
        QTest::newRow("Save before Open") << "" << 0 << 0 << "Save" << 5 << "before Open";
        QTest::newRow("Close before Open") << "" << 0 << 0 << "Close" << 5 << "before Open";
    }

    void refusesBadCalls()
    {
        QFETCH(QString, database);
        QFETCH(int, kind);
        QFETCH(int, mode);
        QFETCH(QString, call);
        QFETCH(int, number);
        QFETCH(QString, fragment);
        ForeignDatabase foreign;
        Corvane::Host::IDatabase *target = nullptr;
        if (database == QLatin1String("engine"))
            target = m_database.get();
        else if (database == QLatin1String("foreign"))
            target = &foreign;
        DravoFile file;
        const auto run = [&] {
            if (!database.isEmpty())
                file.Open(target, kind, mode, nullptr);
            if (call == QLatin1String("SetAttribute"))
                file.SetAttribute(QStringLiteral("a"), QStringLiteral("b"));
            else if (call == QLatin1String("LoadFromFile"))
                file.LoadFromFile(m_newPath);
            else if (call == QLatin1String("Save"))
                file.Save();
            else if (call == QLatin1String("Close"))
                file.Close();
        };
        DRAVO_EXPECT_ERROR(run(), number, fragment);
        expectStored(m_oldArchive,
                     {{QStringLiteral("defaultactionpad"), QStringLiteral("old.html")}});
    }

private:
    // What another connection sees.
    void expectStored(const QByteArray &archive, const Attributes &attributes)
    {
        auto reader = Engine::open(m_db->location());
        ActionPadStore store(*reader);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        store.readContent(buffer);
        QVERIFY2(buffer.data() == archive, "the stored archive differs");
        QCOMPARE(store.attributes(), attributes);
    }

    std::unique_ptr<ScratchDatabase> m_db;
    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<Database> m_database;
    QByteArray m_oldArchive, m_newArchive;
    QString m_newPath;
};

DRAVO_TEST_MAIN(TstDravoFile)
#include "tst_dravofile.moc"
