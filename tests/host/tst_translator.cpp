// The host's translator over real dictionaries, compiled by lrelease -idbased as the
// add-in's translations are.
#include "../datarows.h"

#include "host/impl/hosttranslations.h"
#include "host/impl/translator.h"
#include "platform/runtimeerror.h"

#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>

using namespace Corvane;
using namespace DataRows;

namespace {

// Writes <folder>/Brimble_<language>.ts with the id/text pairs and compiles it to .qm.
void compileDictionary(const QString &folder, const QString &language,
                       const QList<std::pair<QString, QString>> &messages)
{
    QString ts = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\" "
                 "language=\"" +
                 language + "\">\n<context><name></name>\n";
    for (const auto &[id, text] : messages)
        ts += QStringLiteral("<message id=\"%1\"><source>%2</source><translation>%2"
                             "</translation></message>\n")
                  .arg(id, text);
    ts += "</context>\n</TS>\n";
    const QString base = folder + "/Brimble_" + language;
    QFile file(base + ".ts");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ts.toUtf8());
    file.close();
    QProcess lrelease;
    lrelease.start(QLibraryInfo::path(QLibraryInfo::BinariesPath) + "/lrelease",
                   {"-idbased", "-silent", base + ".ts", "-qm", base + ".qm"});
    QVERIFY(lrelease.waitForFinished(60000));
    QVERIFY2(lrelease.exitCode() == 0, lrelease.readAllStandardError().constData());
}

} // namespace

class tst_Translator : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        compileDictionary(m_folder.path(), "en",
                          {{"Title", "Action pad publisher"},
                           {"ActionPadEditor.Caption", "Action pads"},
                           {"PublishStatus.ArchiveCreated", "Archive created"}});
        compileDictionary(m_folder.path(), "de",
                          {{"Title", "Aktionsseiten veröffentlichen"},
                           {"ActionPadEditor.Caption", "Aktionsseiten"}});
    }

    void lookup_data()
    {
        // A language of "-": no dictionary selected. An empty text: the lookup fails.
        columns<QString, QString, QString>({"language", "key", "text"});
        row("English key with section", "en", "ActionPadEditor.Caption", "Action pads");
        row("regional language takes its language's dictionary", "de_CH", "ActionPadEditor.Caption",
            "Aktionsseiten");
        row("language without dictionary falls back to English", "fr", "ActionPadEditor.Caption",
            "Action pads");
        row("German does not borrow from English", "de", "PublishStatus.ArchiveCreated", "");
        row("nothing before a dictionary is selected", "-", "Title", "");
    }

    void lookup()
    {
        QFETCH(QString, language);
        QFETCH(QString, key);
        QFETCH(QString, text);
        Host::Translator translator;
        translator.LoadFolder(m_folder.path());
        if (language != "-")
            translator.SelectDictionary("Brimble", language);
        try {
            QCOMPARE(translator.Lookup(key), text);
            QVERIFY(!text.isEmpty());
        } catch (const Platform::RuntimeError &error) {
            QVERIFY2(text.isEmpty(), qPrintable(error.description()));
            QCOMPARE(error.number(), Platform::ErrorNumber::InvalidProcedureCall);
        }
    }

    // The host's own texts and Qt's dialog buttons follow the language.
    void hostSpeaksTheLanguage_data()
    {
        columns<QString, QString, QString, int, QString>(
            {"language", "context", "source", "n", "expected"});
        row("de: Qt's own Yes button", "de", "QPlatformTheme", "&Yes", -1, "&Ja");
        row("de_CH: the German dictionary", "de_CH", "Corvane::Host::MainWindow", "&File", -1,
            "&Datei");
        row("en: four tables", "en", "Corvane::Host::MainWindow", "%n table(s) in %1", 4,
            "4 tables in %1");
        row("xx: no dictionary, the English texts", "xx", "Corvane::Host::MainWindow", "&File", -1,
            "&File");
    }

    void hostSpeaksTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, context);
        QFETCH(QString, source);
        QFETCH(int, n);
        QFETCH(QString, expected);
        Host::HostTranslations::install("de");
        Host::HostTranslations::install(language); // in place of the German ones
        QCOMPARE(QCoreApplication::translate(context.toLatin1(), source.toLatin1(), nullptr, n),
                 expected);
        Host::HostTranslations::install("en");
    }
};

QTEST_GUILESS_MAIN(tst_Translator)
#include "tst_translator.moc"
