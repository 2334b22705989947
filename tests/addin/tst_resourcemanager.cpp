#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"

#include "tests/fakehost/fakehost.h"

#include "host/api/utility.h"
#include "platform/componentregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <optional>

namespace AM = Brimble::ApplicationManager;
namespace RM = Brimble::ResourceManager;

using Translations = QHash<QString, QString>;

class tst_ResourceManager : public QObject
{
    Q_OBJECT

private:
    std::optional<FakeHost::Host> m_host;
    FakeHost::Host &host() { return *m_host; }

private slots:
    void init()
    {
        m_host.emplace();
        RM::ResetTranslatorForTests();
    }

    void cleanup()
    {
        AM::SetApplication(nullptr);
        RM::ResetTranslatorForTests();
        m_host.reset();
    }

    void getText_data()
    {
        QTest::addColumn<Translations>("translations");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("expected");
        const Translations texts{{"ActionPadEditor.Caption", "Action Pads"},
                                 {"Title", "Brimble"},
                                 {"Orphan", "only without a section"}};
        QTest::newRow("section and key") << texts << "Caption"
                                         << "ActionPadEditor"
                                         << "Action Pads";
        QTest::newRow("empty section") << texts << "Title"
                                       << ""
                                       << "Brimble";
        QTest::newRow("unknown key, empty section") << texts << "Missing"
                                                    << ""
                                                    << "Missing";
        QTest::newRow("unknown key in a section gives the bare key") << texts << "Missing"
                                                                     << "ActionPadEditor"
                                                                     << "Missing";
        QTest::newRow("key known only without the section") << texts << "Orphan"
                                                            << "ActionPadEditor"
                                                            << "Orphan";
        QTest::newRow("section text is not found by the bare key") << texts << "Caption"
                                                                   << ""
                                                                   << "Caption";
        QTest::newRow("an empty translation is a text") << Translations{{"Title", ""}} << "Title"
                                                        << ""
                                                        << "";
    }

    void getText()
    {
        QFETCH(Translations, translations);
        QFETCH(QString, key);
        QFETCH(QString, section);
        QFETCH(QString, expected);
        host().translations = translations;
        AM::SetApplication(&host().application);
        QCOMPARE(RM::GetText(key, section), expected);
    }

    void translatorLoadsTheFolderBesideTheLibrary()
    {
        host().application.language = QStringLiteral("de");
        AM::SetApplication(&host().application);
        QVERIFY(RM::GetTranslator());
        const QString library =
            QFileInfo(QStringLiteral(CORVANE_BINARY_DIR "/lib/libcorvane-brimble.so"))
                .canonicalFilePath();
        QVERIFY(!library.isEmpty());
        const QString folder =
            QDir::toNativeSeparators(QFileInfo(library).absolutePath() + "/translation");
        QCOMPARE(host().log.matching("Translator."),
                 QStringList({"Translator.LoadFolder " + folder,
                              "Translator.SelectDictionary Brimble de"}));
    }

    void translatorIsMadeOnce()
    {
        host().translations.insert("Title", "Brimble");
        AM::SetApplication(&host().application);
        QCOMPARE(RM::GetText("Title", ""), QStringLiteral("Brimble"));
        QCOMPARE(RM::GetText("Title", ""), QStringLiteral("Brimble"));
        QCOMPARE(RM::GetTranslator(), RM::GetTranslator());
        QCOMPARE(host().log.matching("CreateObject").size(), 0); // not through the application
        QCOMPARE(host().log.matching("Translator.LoadFolder").size(), 1);
    }

    void translatorMadeBeforeConnectingNeverSelectsADictionary()
    {
        host().translations.insert("Title", "Brimble");
        QCOMPARE(RM::GetText("Title", ""), QStringLiteral("Title"));
        AM::SetApplication(&host().application);
        QCOMPARE(RM::GetText("Title", ""), QStringLiteral("Title"));
        QVERIFY(host().log.matching("Translator.SelectDictionary").isEmpty());
        QCOMPARE(host().log.matching("Translator.LoadFolder").size(), 1);
    }

    void noTranslatorAtAll()
    {
        host().translations.insert("ActionPadEditor.Caption", "Action Pads");
        AM::SetApplication(&host().application);
        Corvane::Platform::ComponentRegistry::instance().unregisterFactory(
            QLatin1String(Corvane::Host::ClassId::Translator));
        QVERIFY(!RM::GetTranslator());
        QCOMPARE(RM::GetText("Caption", "ActionPadEditor"), QStringLiteral("Caption"));
        QCOMPARE(RM::GetText("Title", ""), QStringLiteral("Title"));
    }

    void formatText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("every %1") << "%1 and %1"
                                  << "x"
                                  << "x and x";
        QTest::newRow("every line break") << "a{vbNewLine}b{vbNewLine}c"
                                          << ""
                                          << "a\r\nb\r\nc";
        QTest::newRow("placeholders are case-sensitive") << "a{VBNEWLINE}b"
                                                         << "x"
                                                         << "a{VBNEWLINE}b";
        QTest::newRow("both") << "File %1:{vbNewLine}gone"
                              << "a.htm"
                              << "File a.htm:\r\ngone";
        QTest::newRow("no placeholder") << "plain"
                                        << "x"
                                        << "plain";
    }

    void formatText()
    {
        QFETCH(QString, text);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        QCOMPARE(RM::FormatText(text, value), expected);
    }
};

QTEST_GUILESS_MAIN(tst_ResourceManager)
#include "tst_resourcemanager.moc"
