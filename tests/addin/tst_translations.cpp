// The "Brimble" dictionaries: every key the add-in asks for has a text in every
// language, the languages agree on keys and placeholders, and the .qm files carry them.
#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

using Dictionary = QHash<QString, QString>; // id -> translation

// Keys the add-in builds at run time (states, error numbers), which no scan sees.
const QStringList kKeysBuiltAtRunTime = {"PublishStatus.AnalyzeActionPads",
                                         "PublishStatus.UserFixDuplicates",
                                         "PublishStatus.CreateZipFile",
                                         "PublishStatus.ArchiveCreated",
                                         "PublishStatus.CopyArchiveToDatabase",
                                         "PublishStatus.ActionPadsPublished",
                                         "ActionPadEditor.ActionPadWebBar",
                                         "ActionPadEditor.ActionPadOverview",
                                         "Title"};

void readTs(const QString &language, Dictionary &dictionary)
{
    QFile file(QStringLiteral(CORVANE_SOURCE_DIR "/translation/Brimble_%1.ts").arg(language));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    QXmlStreamReader xml(&file);
    QString id;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("message")) {
            id = xml.attributes().value(QLatin1String("id")).toString();
        } else if (xml.name() == QLatin1String("translation")) {
            const bool released = xml.attributes().value(QLatin1String("type")).isEmpty();
            const QString text = xml.readElementText();
            QVERIFY2(!dictionary.contains(id), qPrintable(language + ": twice: " + id));
            dictionary.insert(id, released ? text : QString()); // unfinished counts as missing
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(file.fileName() + ": " + xml.errorString()));
}

// The keys of the add-in's literal GetText and RaiseAddinError calls; sections and
// error numbers may be named constants of the same file.
QSet<QString> keysUsedInSources()
{
    static const QRegularExpression textConstant(
        R"re((\w+)\s*=\s*(?:QStringLiteral|QLatin1String)\(\s*"([^"]*)"\s*\))re");
    static const QRegularExpression numberConstant(
        R"re(constexpr\s+(?:std::)?\w+\s+(\w+)\s*=\s*(\d+)\s*;)re");
    static const QRegularExpression getText(
        R"re(GetText\(\s*(?:QStringLiteral\(\s*)?"([^"]+)"\s*\)?\s*,\s*)re"
        R"re((?:QStringLiteral\(\s*"([^"]*)"\s*\)|"([^"]*)"|(QString\(\s*\)|\{\s*\})|(\w+))\s*\))re");
    static const QRegularExpression raiseAddinError(R"re(RaiseAddinError\(\s*(\w+)\s*\))re");

    QSet<QString> keys;
    for (const char *folder : {"addin", "model", "editor", "publish", "layout"}) {
        QDirIterator it(QStringLiteral(CORVANE_SOURCE_DIR "/") + folder, {"*.cpp", "*.h"},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(file.readAll());
            QHash<QString, QString> constants;
            for (const auto &m : textConstant.globalMatch(text))
                constants.insert(m.captured(1), m.captured(2));
            for (const auto &m : numberConstant.globalMatch(text))
                constants.insert(m.captured(1), m.captured(2));
            for (const auto &m : getText.globalMatch(text)) {
                if (m.capturedLength(5) && !constants.contains(m.captured(5)))
                    continue; // a parameter, such as GetText itself forwarding it
                const QString section =
                    m.captured(2) + m.captured(3) + constants.value(m.captured(5));
                keys.insert(section.isEmpty() ? m.captured(1) : section + '.' + m.captured(1));
            }
            for (const auto &m : raiseAddinError.globalMatch(text)) {
                bool isNumber = false;
                m.captured(1).toInt(&isNumber);
                const QString number = isNumber ? m.captured(1) : constants.value(m.captured(1));
                if (!number.isEmpty())
                    keys.insert("BrimbleError." + number + "-description");
            }
        }
    }
    return keys;
}

} // namespace

class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void everyKeyHasItsTextInEveryLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << "en";
        QTest::newRow("de") << "de";
    }

    void everyKeyHasItsTextInEveryLanguage()
    {
        QFETCH(QString, language);
        QSet<QString> used = keysUsedInSources();
        // The scan must see the add-in's calls, or it proves nothing.
        QVERIFY(used.contains("BrimbleError.513-description"));
        QVERIFY(used.contains("BrowseForActionPadFilter"));
        used.unite(QSet<QString>(kKeysBuiltAtRunTime.cbegin(), kKeysBuiltAtRunTime.cend()));

        Dictionary dictionary, other;
        readTs(language, dictionary);
        readTs(language == "en" ? "de" : "en", other);
        QVERIFY(!dictionary.isEmpty() && !QTest::currentTestFailed());
        QStringList missing, differing;
        for (const QString &key : std::as_const(used))
            if (dictionary.value(key).trimmed().isEmpty())
                missing.append(key);
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
            for (const QLatin1String placeholder :
                 {QLatin1String("%1"), QLatin1String("{vbNewLine}")})
                if (!other.contains(it.key()) ||
                    it.value().count(placeholder) != other.value(it.key()).count(placeholder))
                    differing.append(it.key() + ' ' + placeholder);
        missing.sort();
        differing.sort();
        QVERIFY2(missing.isEmpty(), qPrintable("no text for: " + missing.join(", ")));
        QVERIFY2(differing.isEmpty(),
                 qPrintable("not as in the other language: " + differing.join(", ")));

        QTranslator released;
        QVERIFY(released.load(
            QStringLiteral(CORVANE_BINARY_DIR "/lib/translation/Brimble_%1.qm").arg(language)));
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
            QCOMPARE(released.translate(nullptr, it.key().toUtf8().constData()), it.value());
    }
};

QTEST_GUILESS_MAIN(tst_Translations)
#include "tst_translations.moc"
