#include "addin/resourcemanager.h"

#include "addin/applicationmanager.h"

#include "host/api/application.h"
#include "host/api/utility.h"

#include "platform/componentregistry.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace Brimble::ResourceManager {

namespace {

// The one translator, created on first use and kept while the library is loaded.
std::unique_ptr<QObject> g_translator;

// An address inside this library, to find the library's own file.
const char g_moduleAnchor = 0;

const QString kDictionary = QStringLiteral("Brimble");

QString translationFolder()
{
    const QString library = Corvane::Platform::modulePath(&g_moduleAnchor);
    return QDir::toNativeSeparators(QFileInfo(library).absolutePath() +
                                    QStringLiteral("/translation"));
}

} // namespace

Corvane::Host::ITranslator *GetTranslator()
{
    if (!g_translator) {
        std::unique_ptr<QObject> created;
        try {
            created = Corvane::Platform::ComponentRegistry::instance().create(
                QLatin1String(Corvane::Host::ClassId::Translator));
        } catch (const Corvane::Platform::RuntimeError &) {
            return nullptr;
        }
        auto *translator = qobject_cast<Corvane::Host::ITranslator *>(created.get());
        if (!translator)
            return nullptr;
        g_translator = std::move(created);
        translator->LoadFolder(translationFolder());
        // Only a translator made while a host is connected learns its language.
        if (Corvane::Host::IApplication *application = ApplicationManager::GetApplication())
            translator->SelectDictionary(kDictionary, application->Language());
    }
    return qobject_cast<Corvane::Host::ITranslator *>(g_translator.get());
}

QString GetText(const QString &key, const QString &section)
{
    QString result = key;
    try {
        if (Corvane::Host::ITranslator *translator = GetTranslator())
            result = translator->Lookup(section.isEmpty() ? key : section + QLatin1Char('.') + key);
    } catch (...) {
        // Any failure leaves the bare key.
    }
    return result;
}

QString FormatText(const QString &text, const QString &value)
{
    QString formatted = text;
    formatted.replace(QLatin1String("%1"), value);
    formatted.replace(QLatin1String("{vbNewLine}"), QLatin1String("\r\n"));
    return formatted;
}

void ResetTranslatorForTests()
{
    g_translator.reset();
}

} // namespace Brimble::ResourceManager
