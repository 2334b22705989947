#pragma once

#include "host_global.h"

#include "host/api/utility.h"

#include <memory>

class QTranslator;

namespace Corvane::Host {

// The host's translator, class "Corvane.Translator". A dictionary is a Qt
// Linguist file compiled with text ids (lrelease -idbased):
// "<folder>/<dictionary>_<language>.qm". Lookup takes the text id.
class CORVANE_HOST_EXPORT Translator final : public ITranslator
{
    Q_OBJECT
public:
    explicit Translator(QObject *parent = nullptr);
    ~Translator() override;

    // Remembers the folder of the dictionaries; nothing is read yet.
    void LoadFolder(const QString &folder) override;
    // Loads "<dictionary>_<language>.qm" from the folder; for a language such
    // as "de_CH" also "<dictionary>_de.qm"; and then "<dictionary>_en.qm".
    // Error 53 when none of them can be loaded.
    void SelectDictionary(const QString &dictionary, const QString &language) override;
    // Error 5 for a key that the dictionary does not hold, or without a dictionary.
    QString Lookup(const QString &key) const override;

    // The file of the selected dictionary; empty before SelectDictionary.
    QString dictionaryFile() const { return m_file; }

private:
    QString m_folder;
    QString m_file;
    std::unique_ptr<QTranslator> m_translator;
};

} // namespace Corvane::Host
