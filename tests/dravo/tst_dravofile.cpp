#include "dravotest.h"
#include "tests/datarows.h"

#include "dravo/actionpadstore.h"
#include "dravo/components.h"
#include "dravo/dravofile.h"
#include "dravo/engineprovider.h"
#include "host/api/database.h"
#include "platform/componentregistry.h"

#include <QBuffer>

using Corvane::Dravo::ActionPadStore;
using Corvane::Dravo::DravoFile;
using Corvane::Dravo::Engine;
using Corvane::Host::IDravoFile;
using DravoTest::ScratchDatabase;

namespace {

using Attributes = QHash<QString, QString>;
using namespace DataRows;
const Attributes kOldAttributes{{"defaultactionpad", "old.html"}};

// A database that another engine serves.
class ForeignDatabase : public Corvane::Host::IDatabase
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

// A database as the host has it, served by an engine.
class Database final : public ForeignDatabase, public Corvane::Dravo::EngineProvider
{
public:
    explicit Database(Engine *engine)
        : m_engine(engine)
    {
    }
    void BeginTrans() override { m_engine->begin(); }
    void CommitTrans() override { m_engine->commit(); }
    void Rollback() override { m_engine->rollback(); }
    Engine &engine() override { return *m_engine; }

private:
    Engine *m_engine;
};

} // namespace

class tst_DravoFile final : public QObject
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
            DravoTest::writeFile(m_db->folder(), "old.zip", m_oldArchive), kOldAttributes);
        m_newArchive = DravoTest::randomBytes(3000, 12);
        m_newPath = DravoTest::writeFile(m_db->folder(), "new.zip", m_newArchive);
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
        const auto object = Corvane::Platform::ComponentRegistry::instance().create("dravo.file");
        auto *file = qobject_cast<IDravoFile *>(object.get());
        QVERIFY(file);
        // Changes closed without Save are dropped; a new Open starts clean.
        file->Open(m_database.get(), IDravoFile::ActionPadFile, IDravoFile::ForUpdate, nullptr);
        file->SetAttribute("defaultactionpad", "new.html");
        file->LoadFromFile(m_newPath);
        file->Close();
        file->Open(m_database.get(), IDravoFile::ActionPadFile, IDravoFile::ForUpdate, nullptr);
        file->Save();
        expectStored(m_oldArchive, kOldAttributes);
        file->LoadFromFile(m_newPath);
        file->SetAttribute("defaultactionpad", QVariant(QString())); // an empty value removes it
        file->SetAttribute("overviewactionpad", "new.html");
        file->SetAttribute("other", "");
        file->Save();
        file->Close();
        expectStored(m_newArchive, {{"overviewactionpad", "new.html"}});
    }

    // The one guard: only an action pad file of a database this engine serves.
    void refusesAnotherEnginesDatabase()
    {
        ForeignDatabase foreign;
        DRAVO_EXPECT_ERROR(DravoFile().Open(&foreign, 123, 3, nullptr), 5, "foreign");
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

DRAVO_TEST_MAIN(tst_DravoFile)
#include "tst_dravofile.moc"
