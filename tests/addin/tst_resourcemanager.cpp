#include "addintestsupport.h"

#include "../datarows.h"

#include "host/api/utility.h"
#include "host/impl/translator.h"
#include "platform/componentregistry.h"

#include <QTest>

#include <optional>

namespace RM = Brimble::ResourceManager;
using Corvane::Platform::ComponentRegistry;
using namespace DataRows;

// Texts through the host's real translator: a dictionary released by lrelease.
class tst_ResourceManager : public QObject
{
    Q_OBJECT

private:
    std::optional<AddinTest::Fixture> m_fixture;
    FakeHost::Host &host() { return m_fixture->host; }

private slots:
    void init() { m_fixture.emplace(false); }
    void cleanup() { m_fixture.reset(); }

    void getText_data()
    {
        columns<QString, QString, QString>({"key", "section", "expected"});
        row("section and key", "Caption", "ActionPadEditor", "Action Pads");
        row("empty section", "Title", "", "Brimble");
        row("unknown key in a section gives the bare key", "Missing", "ActionPadEditor", "Missing");
        row("key known only without the section", "Orphan", "ActionPadEditor", "Orphan");
        row("section text is not found by the bare key", "Caption", "", "Caption");
    }

    void getText()
    {
        QFETCH(QString, key);
        QFETCH(QString, section);
        host().translations = {{"ActionPadEditor.Caption", "Action Pads"},
                               {"Title", "Brimble"},
                               {"Orphan", "only without a section"}};
        m_fixture->connect();
        QTEST(RM::GetText(key, section), "expected");
    }

    // The host's own translator class finds the add-in's dictionaries beside the
    // library, in the host's language.
    void dictionaryBesideTheLibraryInTheHostsLanguage()
    {
        ComponentRegistry::instance().registerFactory(
            QLatin1String(Corvane::Host::ClassId::Translator),
            [] { return new Corvane::Host::Translator; });
        host().host.setLanguage("de");
        m_fixture->connect();
        QCOMPARE(RM::GetText("Cancel", ""), QStringLiteral("Abbrechen"));
    }

    void translatorMadeBeforeConnectingNeverSelectsADictionary()
    {
        host().translations.insert("Title", "Brimble");
        QCOMPARE(RM::GetText("Title", ""), QStringLiteral("Title"));
        m_fixture->connect();
        QCOMPARE(RM::GetText("Title", ""), QStringLiteral("Title"));
    }
};

QTEST_GUILESS_MAIN(tst_ResourceManager)
#include "tst_resourcemanager.moc"
