// The host's translator over real dictionaries: .ts files compiled by
// lrelease -idbased, as the add-in's translations are.

#include "host/impl/translator.h"
#include "platform/runtimeerror.h"

#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Corvane;

namespace {

struct Message
{
    const char *id;
    const char *text;
};

// Writes <dictionary>_<language>.ts with the messages and compiles it to .qm.
void compileDictionary(const QString &folder, const QString &name, const QString &language,
                       std::initializer_list<Message> messages)
{
    QByteArray ts = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
                    "<TS version=\"2.1\" language=\"" +
                    language.toUtf8() + "\">\n<context>\n    <name></name>\n";
    for (const Message &message : messages)
        ts += QByteArray("    <message id=\"") + message.id + "\">\n        <source>" +
              message.text + "</source>\n        <translation>" + message.text +
              "</translation>\n    </message>\n";
    ts += "</context>\n</TS>\n";
    const QString base = folder + QLatin1Char('/') + name + QLatin1Char('_') + language;
    QFile file(base + QStringLiteral(".ts"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ts);
    file.close();

    const QString lrelease =
        QLibraryInfo::path(QLibraryInfo::BinariesPath) + QStringLiteral("/lrelease");
    QProcess process;
    process.start(lrelease, {QStringLiteral("-idbased"), QStringLiteral("-silent"),
                             base + QStringLiteral(".ts"), QStringLiteral("-qm"),
                             base + QStringLiteral(".qm")});
    QVERIFY2(process.waitForFinished(60000), qPrintable(lrelease));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    QVERIFY(QFile::exists(base + QStringLiteral(".qm")));
}

} // namespace

class tst_Translator : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    void expectError(Host::Translator &translator, const QString &key, int number)
    {
        try {
            const QString text = translator.Lookup(key);
            QFAIL(qPrintable(QStringLiteral("\"%1\" gave \"%2\"").arg(key, text)));
        } catch (const Platform::RuntimeError &error) {
            QCOMPARE(error.number(), number);
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        compileDictionary(m_folder.path(), QStringLiteral("Brimble"), QStringLiteral("en"),
                          {{"Title", "Action pad publisher"},
                           {"ActionPadEditor.Caption", "Action pads"},
                           {"PublishStatus.ArchiveCreated", "Archive created"}});
        compileDictionary(m_folder.path(), QStringLiteral("Brimble"), QStringLiteral("de"),
                          {{"Title", "Aktionsseiten veröffentlichen"},
                           {"ActionPadEditor.Caption", "Aktionsseiten"}});
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("English key without section") << "en"
                                                     << "Title"
                                                     << "Action pad publisher";
        QTest::newRow("English key with section") << "en"
                                                  << "ActionPadEditor.Caption"
                                                  << "Action pads";
        QTest::newRow("German, non-ASCII text") << "de"
                                                << "Title"
                                                << "Aktionsseiten veröffentlichen";
        QTest::newRow("regional language takes its language's dictionary")
            << "de_CH"
            << "ActionPadEditor.Caption"
            << "Aktionsseiten";
        QTest::newRow("language without dictionary falls back to English")
            << "fr"
            << "ActionPadEditor.Caption"
            << "Action pads";
    }

    void lookup()
    {
        QFETCH(QString, language);
        QFETCH(QString, key);
        QFETCH(QString, text);
        Host::Translator translator;
        translator.LoadFolder(m_folder.path());
        translator.SelectDictionary(QStringLiteral("Brimble"), language);
        QCOMPARE(translator.Lookup(key), text);
    }

    void unknownKeysFail()
    {
        Host::Translator translator;
        translator.LoadFolder(m_folder.path());
        expectError(translator, QStringLiteral("Title"),
                    Platform::ErrorNumber::InvalidProcedureCall);
        translator.SelectDictionary(QStringLiteral("Brimble"), QStringLiteral("de"));
        // Only in the English dictionary: the German one does not borrow it.
        expectError(translator, QStringLiteral("PublishStatus.ArchiveCreated"),
                    Platform::ErrorNumber::InvalidProcedureCall);
        expectError(translator, QStringLiteral("Caption"),
                    Platform::ErrorNumber::InvalidProcedureCall);
    }

    void missingDictionaryFails()
    {
        Host::Translator translator;
        translator.LoadFolder(m_folder.path() + QStringLiteral("/nowhere"));
        try {
            translator.SelectDictionary(QStringLiteral("Brimble"), QStringLiteral("en"));
            QFAIL("a dictionary was found in a missing folder");
        } catch (const Platform::RuntimeError &error) {
            QCOMPARE(error.number(), Platform::ErrorNumber::FileNotFound);
            QVERIFY(error.description().contains(QStringLiteral("Brimble_en.qm")));
        }
    }
};

QTEST_GUILESS_MAIN(tst_Translator)
#include "tst_translator.moc"
