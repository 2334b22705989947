#include "addintestsupport.h"

#include "../datarows.h"

#include "host/api/utility.h"
#include "platform/componentregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <optional>

namespace RM = Brimble::ResourceManager;
using namespace DataRows;

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
        row("an empty translation is a text", "Empty", "", "");
    }

    void getText()
    {
        QFETCH(QString, key);
        QFETCH(QString, section);
        QFETCH(QString, expected);
        host().translations = {{"ActionPadEditor.Caption", "Action Pads"},
                               {"Title", "Brimble"},
                               {"Orphan", "only without a section"},
                               {"Empty", ""}};
        m_fixture->connect();
        QCOMPARE(RM::GetText(key, section), expected);
    }

    void translatorIsMadeOnceFromTheFolderBesideTheLibrary()
    {
        host().application.language = "de";
        host().translations.insert("Title", "Brimble");
        m_fixture->connect();
        QCOMPARE(RM::GetText("Title", ""), QStringLiteral("Brimble"));
        QCOMPARE(RM::GetText("Title", ""), QStringLiteral("Brimble"));
        QCOMPARE(RM::GetTranslator(), RM::GetTranslator());
        const QString library =
            QFileInfo(CORVANE_BINARY_DIR "/lib/libcorvane-brimble.so").canonicalFilePath();
        QVERIFY(!library.isEmpty());
        const QString folder =
            QDir::toNativeSeparators(QFileInfo(library).absolutePath() + "/translation");
        QCOMPARE(host().log.matching("Translator."),
                 QStringList({"Translator.LoadFolder " + folder,
                              "Translator.SelectDictionary Brimble de"}));
        QVERIFY(host().log.matching("CreateObject").isEmpty()); // not through the application
    }

    void translatorMadeBeforeConnectingNeverSelectsADictionary()
    {
        host().translations.insert("Title", "Brimble");
        QCOMPARE(RM::GetText("Title", ""), QStringLiteral("Title"));
        m_fixture->connect();
        QCOMPARE(RM::GetText("Title", ""), QStringLiteral("Title"));
        QVERIFY(host().log.matching("Translator.SelectDictionary").isEmpty());
    }

    void noTranslatorGivesTheBareKeys()
    {
        host().translations.insert("ActionPadEditor.Caption", "Action Pads");
        m_fixture->connect();
        Corvane::Platform::ComponentRegistry::instance().unregisterFactory(
            QLatin1String(Corvane::Host::ClassId::Translator));
        QVERIFY(!RM::GetTranslator());
        QCOMPARE(RM::GetText("Caption", "ActionPadEditor"), QStringLiteral("Caption"));
    }
};

QTEST_GUILESS_MAIN(tst_ResourceManager)
#include "tst_resourcemanager.moc"
