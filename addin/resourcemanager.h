#pragma once

#include <QString>

namespace Corvane::Host {
class ITranslator;
}

// Every user-visible text of the add-in, from the host's translator and the
// "Brimble" dictionaries in the translation folder beside the library.
namespace Brimble::ResourceManager {

// The one translator (created on first use; null when the host's translator
// class cannot be created).
Corvane::Host::ITranslator *GetTranslator();
// The text of section.key (or key alone for an empty section); never fails:
// any failure gives back the bare key.
QString GetText(const QString &key, const QString &section);
// Replaces every "%1" by value and every "{vbNewLine}" by "\r\n".
QString FormatText(const QString &text, const QString &value = {});

// Forgets the translator, so that the next GetTranslator sets one up again.
// For tests only: the add-in itself never releases it.
void ResetTranslatorForTests();

} // namespace Brimble::ResourceManager
