// The "Brimble" dictionaries: every key has a text in every language, the
// languages agree on keys and placeholders, and the .qm files carry them.
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

using Dictionary = QHash<QString, QString>; // id -> translation

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

} // namespace

class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void everyTextInEveryLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << "en";
        QTest::newRow("de") << "de";
    }

    void everyTextInEveryLanguage()
    {
        QFETCH(QString, language);
        Dictionary dictionary, other;
        readTs(language, dictionary);
        readTs(language == "en" ? "de" : "en", other);
        QVERIFY(!dictionary.isEmpty() && !QTest::currentTestFailed());
        QStringList missing, differing;
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
            if (it.value().trimmed().isEmpty())
                missing.append(it.key());
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
