// The host's translator over real dictionaries, compiled by lrelease -idbased as the
// add-in's translations are.
#include "../datarows.h"
#include "../platform/platformtest.h"

#include "host/impl/hosttranslations.h"
#include "host/impl/translator.h"

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
    const QString base = folder + "/Brimble_" + language;
    QFile ts(base + ".ts");
    QVERIFY(ts.open(QIODevice::WriteOnly));
    ts.write("<TS version=\"2.1\"><context><name></name>");
    for (const auto &[id, text] : messages)
        ts.write(QStringLiteral("<message id=\"%1\"><translation>%2</translation></message>")
                     .arg(id, text)
                     .toUtf8());
    ts.write("</context></TS>");
    ts.close();
    QCOMPARE(QProcess::execute(QLibraryInfo::path(QLibraryInfo::BinariesPath) + "/lrelease",
                               {"-idbased", "-silent", base + ".ts", "-qm", base + ".qm"}),
             0);
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
        // dictionary: <name>_<language> selected, none when empty; number: the error, if any
        columns<QString, QString, QString, int>({"dictionary", "key", "text", "number"});
        row("English key with section", "Brimble_en", "ActionPadEditor.Caption", "Action pads", 0);
        row("regional language takes its language's dictionary", "Brimble_de_CH",
            "ActionPadEditor.Caption", "Aktionsseiten", 0);
        row("language without dictionary falls back to English", "Brimble_fr",
            "ActionPadEditor.Caption", "Action pads", 0);
        row("German does not borrow from English", "Brimble_de", "PublishStatus.ArchiveCreated", "",
            5);
        row("nothing before a dictionary is selected", "", "Title", "", 5);
        row("no dictionary of that name", "Missing_en", "Title", "", 53);
    }

    void lookup()
    {
        QFETCH(QString, dictionary);
        QFETCH(QString, key);
        Host::Translator translator;
        translator.LoadFolder(m_folder.path());
        QString text;
        QTEST(errorOf([&] {
                  if (!dictionary.isEmpty())
                      translator.SelectDictionary(dictionary.section('_', 0, 0),
                                                  dictionary.section('_', 1));
                  text = translator.Lookup(key);
              }),
              "number");
        QTEST(text, "text");
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
        Host::HostTranslations::install("de");
        Host::HostTranslations::install(language); // in place of the German ones
        QTEST(QCoreApplication::translate(context.toLatin1(), source.toLatin1(), nullptr, n),
              "expected");
        Host::HostTranslations::install("en");
    }
};

QTEST_GUILESS_MAIN(tst_Translator)
#include "tst_translator.moc"
