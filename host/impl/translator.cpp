#include "translator.h"

#include "platform/runtimeerror.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringList>
#include <QTranslator>

namespace Corvane::Host {

namespace {
const QString kSource = QStringLiteral("Translator");
}

Translator::Translator(QObject *parent)
    : ITranslator(parent)
{
}

Translator::~Translator() = default;

void Translator::LoadFolder(const QString &folder)
{
    m_folder = folder;
}

void Translator::SelectDictionary(const QString &dictionary, const QString &language)
{
    QStringList languages{language};
    const QString shortLanguage =
        language.section(QRegularExpression(QStringLiteral("[_-]")), 0, 0);
    if (shortLanguage != language)
        languages.append(shortLanguage);
    languages.append(QStringLiteral("en"));
    languages.removeAll(QString());
    languages.removeDuplicates();

    const QDir folder(m_folder);
    QStringList tried;
    for (const QString &candidate : std::as_const(languages)) {
        const QString file = folder.filePath(QStringLiteral("%1_%2.qm").arg(dictionary, candidate));
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(file)) {
            m_translator = std::move(translator);
            m_file = file;
            return;
        }
        tried.append(QDir::toNativeSeparators(file));
    }
    Platform::raiseError(Platform::ErrorNumber::FileNotFound, kSource,
                         QStringLiteral("no dictionary \"%1\" for the language \"%2\" could be "
                                        "loaded (tried %3); build the translations or check the "
                                        "translation folder")
                             .arg(dictionary, language, tried.join(QStringLiteral(", "))));
}

QString Translator::Lookup(const QString &key) const
{
    if (!m_translator)
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, kSource,
                             QStringLiteral("no dictionary is selected to look up \"%1\"; call "
                                            "SelectDictionary first")
                                 .arg(key));
    // Text ids are stored with an empty context; this is what qtTrId asks too.
    const QString text = m_translator->translate("", key.toUtf8().constData());
    if (text.isEmpty())
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, kSource,
                             QStringLiteral("the key \"%1\" is not in the dictionary %2")
                                 .arg(key, QDir::toNativeSeparators(m_file)));
    return text;
}

} // namespace Corvane::Host
