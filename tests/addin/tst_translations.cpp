// The "Brimble" dictionaries: every key the add-in asks for has a text in
// every language, the languages agree on their keys and placeholders, and the
// released .qm files carry the texts.
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

using Dictionary = QHash<QString, QString>; // id -> translation

const QStringList kLanguages = {QStringLiteral("en"), QStringLiteral("de")};

// Keys that the add-in builds at run time (state keys, error numbers), which a
// scan of literal calls cannot see.
const QStringList kKeysBuiltAtRunTime = {
    QStringLiteral("PublishStatus.AnalyzeActionPads"),
    QStringLiteral("PublishStatus.UserFixDuplicates"),
    QStringLiteral("PublishStatus.CreateZipFile"),
    QStringLiteral("PublishStatus.ArchiveCreated"),
    QStringLiteral("PublishStatus.CopyArchiveToDatabase"),
    QStringLiteral("PublishStatus.ActionPadsPublished"),
    QStringLiteral("BrimbleError.513-description"),
    QStringLiteral("ActionPadEditor.ActionPadWebBar"),
    QStringLiteral("ActionPadEditor.ActionPadOverview"),
    QStringLiteral("Title"),
    QStringLiteral("BrowseForActionPadFilter"),
};

QString sourceDir()
{
    return QStringLiteral(CORVANE_SOURCE_DIR);
}

Dictionary readTs(const QString &path, QString *error)
{
    Dictionary dictionary;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(path);
        return {};
    }
    QXmlStreamReader xml(&file);
    QString id;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("message")) {
            id = xml.attributes().value(QLatin1String("id")).toString();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            const QString text = xml.readElementText();
            if (dictionary.contains(id))
                *error += QStringLiteral("%1: the id \"%2\" is there twice\n").arg(path, id);
            // An unfinished or obsolete text is not released: it counts as missing.
            dictionary.insert(id, type.isEmpty() ? text : QString());
        }
    }
    if (xml.hasError())
        *error +=
            QStringLiteral("%1: %2 (line %3)").arg(path, xml.errorString()).arg(xml.lineNumber());
    return dictionary;
}

// The keys of the add-in's literal GetText and RaiseAddinError calls. Sections
// and error numbers may be named constants of the same file.
QSet<QString> keysUsedInSources()
{
    static const QRegularExpression textConstant(
        QStringLiteral(R"re((\w+)\s*=\s*(?:QStringLiteral|QLatin1String)\(\s*"([^"]*)"\s*\))re"));
    static const QRegularExpression numberConstant(
        QStringLiteral(R"re(constexpr\s+(?:std::)?\w+\s+(\w+)\s*=\s*(\d+)\s*;)re"));
    static const QRegularExpression getText(QStringLiteral(
        R"re(GetText\(\s*(?:QStringLiteral\(\s*)?"([^"]+)"\s*\)?\s*,\s*)re"
        R"re((?:QStringLiteral\(\s*"([^"]*)"\s*\)|"([^"]*)"|(QString\(\s*\)|\{\s*\})|(\w+))\s*\))re"));
    static const QRegularExpression raiseAddinError(
        QStringLiteral(R"re(RaiseAddinError\(\s*(\w+)\s*\))re"));

    QSet<QString> keys;
    for (const char *folder : {"addin", "model", "editor", "publish", "layout"}) {
        QDirIterator it(sourceDir() + QLatin1Char('/') + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
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
                QString section;
                if (m.capturedLength(2) || m.capturedLength(3))
                    section = m.captured(2) + m.captured(3);
                else if (m.capturedLength(5)) {
                    if (!constants.contains(m.captured(5)))
                        continue; // a parameter, such as GetText itself forwarding it
                    section = constants.value(m.captured(5));
                }
                keys.insert(section.isEmpty() ? m.captured(1)
                                              : section + QLatin1Char('.') + m.captured(1));
            }
            for (const auto &m : raiseAddinError.globalMatch(text)) {
                bool isNumber = false;
                m.captured(1).toInt(&isNumber);
                const QString number = isNumber ? m.captured(1) : constants.value(m.captured(1));
                if (!number.isEmpty())
                    keys.insert(QStringLiteral("BrimbleError.") + number +
                                QStringLiteral("-description"));
            }
        }
    }
    return keys;
}

} // namespace

class tst_Translations : public QObject
{
    Q_OBJECT

private:
    QHash<QString, Dictionary> m_dictionaries;

private slots:
    void initTestCase()
    {
        for (const QString &language : kLanguages) {
            QString error;
            const Dictionary dictionary = readTs(
                sourceDir() + QStringLiteral("/translation/Brimble_%1.ts").arg(language), &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QVERIFY(!dictionary.isEmpty());
            m_dictionaries.insert(language, dictionary);
        }
    }

    void everyKeyUsedHasATextInEveryLanguage_data()
    {
        QTest::addColumn<QString>("language");
        for (const QString &language : kLanguages)
            QTest::newRow(qPrintable(language)) << language;
    }

    void everyKeyUsedHasATextInEveryLanguage()
    {
        QFETCH(QString, language);
        QSet<QString> used = keysUsedInSources();
        // The scan must see the add-in's calls, or it proves nothing.
        QVERIFY2(used.contains(QStringLiteral("BrimbleError.513-description")),
                 "the source scan found no RaiseAddinError(513)");
        QVERIFY2(used.contains(QStringLiteral("BrowseForActionPadFilter")),
                 "the source scan found no GetText(\"BrowseForActionPadFilter\", \"\")");
        for (const QString &key : kKeysBuiltAtRunTime)
            used.insert(key);

        const Dictionary &dictionary = m_dictionaries.value(language);
        QStringList missing;
        for (const QString &key : std::as_const(used))
            if (dictionary.value(key).trimmed().isEmpty())
                missing.append(key);
        missing.sort();
        QVERIFY2(missing.isEmpty(),
                 qPrintable(QStringLiteral("Brimble_%1.ts has no text for: %2")
                                .arg(language, missing.join(QStringLiteral(", ")))));
    }

    void languagesHaveTheSameKeys()
    {
        const Dictionary &en = m_dictionaries.value(QStringLiteral("en"));
        const Dictionary &de = m_dictionaries.value(QStringLiteral("de"));
        const QSet<QString> enKeys(en.keyBegin(), en.keyEnd());
        const QSet<QString> deKeys(de.keyBegin(), de.keyEnd());
        QStringList onlyEn = (enKeys - deKeys).values();
        QStringList onlyDe = (deKeys - enKeys).values();
        onlyEn.sort();
        onlyDe.sort();
        QVERIFY2(onlyEn.isEmpty() && onlyDe.isEmpty(),
                 qPrintable(QStringLiteral("only English: %1; only German: %2")
                                .arg(onlyEn.join(", "), onlyDe.join(", "))));
    }

    void languagesAgreeOnPlaceholders()
    {
        const Dictionary &en = m_dictionaries.value(QStringLiteral("en"));
        const Dictionary &de = m_dictionaries.value(QStringLiteral("de"));
        QStringList differing;
        for (auto it = en.cbegin(); it != en.cend(); ++it) {
            const QString other = de.value(it.key());
            for (const QLatin1String placeholder :
                 {QLatin1String("%1"), QLatin1String("{vbNewLine}")})
                if (it.value().count(placeholder) != other.count(placeholder))
                    differing.append(it.key() + QLatin1Char(' ') + placeholder);
        }
        differing.sort();
        QVERIFY2(differing.isEmpty(), qPrintable(differing.join(QStringLiteral(", "))));
    }

    void placeholdersWhereTheCallersFillThem_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("size warning") << "ActionPadEditor.Warning_ToLargeArchiveFile";
        QTest::newRow("invalid action pad") << "frmActionPadProperties.Error_InvalidActionPad";
        QTest::newRow("properties help") << "frmActionPadProperties.lblDescription";
        QTest::newRow("invalid files") << "ActionPadArchiver.Error_InvalidFiles";
    }

    void placeholdersWhereTheCallersFillThem()
    {
        QFETCH(QString, key);
        for (const QString &language : kLanguages)
            QVERIFY2(m_dictionaries.value(language).value(key).contains(QLatin1String("%1")),
                     qPrintable(language + QLatin1Char(' ') + key));
    }

    void browseFilterIsAFileDialogFilter()
    {
        static const QRegularExpression filter(
            QStringLiteral(R"re(^[^|()]+ \((\*\S*)( \*\S*)*\)$)re"));
        for (const QString &language : kLanguages) {
            const QString text = m_dictionaries.value(language).value("BrowseForActionPadFilter");
            const QStringList parts = text.split(QLatin1Char('|'));
            QVERIFY(parts.size() >= 2);
            for (const QString &part : parts)
                QVERIFY2(filter.match(part).hasMatch(), qPrintable(language + ": " + part));
            QVERIFY2(parts.first().contains(QLatin1String("*.htm")), qPrintable(text));
        }
    }

    void releasedFilesCarryTheTexts_data()
    {
        QTest::addColumn<QString>("language");
        for (const QString &language : kLanguages)
            QTest::newRow(qPrintable(language)) << language;
    }

    void releasedFilesCarryTheTexts()
    {
        QFETCH(QString, language);
        const QString qm =
            QStringLiteral(CORVANE_BINARY_DIR "/lib/translation/Brimble_%1.qm").arg(language);
        QTranslator translator;
        QVERIFY2(translator.load(qm), qPrintable(qm));
        const Dictionary &dictionary = m_dictionaries.value(language);
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
            const QByteArray id = it.key().toUtf8();
            QCOMPARE(translator.translate(nullptr, id.constData()), it.value());
        }
    }
};

QTEST_GUILESS_MAIN(tst_Translations)
#include "tst_translations.moc"
