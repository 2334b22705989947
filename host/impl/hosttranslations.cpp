#include "hosttranslations.h"

#include "platform/componentregistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>

#include <memory>

namespace Corvane::Host::HostTranslations {

namespace {

// An address inside this library, to find the library's own file.
const char kModuleAnchor = 0;

// The dictionaries installed by the last install(), removed by the next.
std::unique_ptr<QTranslator> &installed(int which)
{
    static std::unique_ptr<QTranslator> translators[2];
    return translators[which];
}

// The dictionary "<name>_<language>.qm" in the folder, or for "de_CH" "<name>_de.qm".
std::unique_ptr<QTranslator> load(const QString &name, const QString &language,
                                  const QString &folder)
{
    const QString shortLanguage =
        language.section(QRegularExpression(QStringLiteral("[_-]")), 0, 0);
    for (const QString &candidate : {language, shortLanguage}) {
        auto translator = std::make_unique<QTranslator>();
        if (!candidate.isEmpty() &&
            translator->load(QStringLiteral("%1_%2").arg(name, candidate), folder))
            return translator;
    }
    return nullptr;
}

} // namespace

QString folder()
{
    // The host's library lies in lib/ of the build tree or in the installed
    // library folder; its dictionaries in the share folder of the same tree.
    const QDir libraryFolder = QFileInfo(Platform::modulePath(&kModuleAnchor)).absoluteDir();
    const QString candidates[] = {QStringLiteral(CORVANE_HOST_TRANSLATIONS_FROM_LIBDIR),
                                  QStringLiteral(CORVANE_HOST_TRANSLATIONS_FROM_BUILD_LIBDIR)};
    for (const QString &relative : candidates) {
        const QString path = QDir::cleanPath(libraryFolder.filePath(relative));
        if (QFileInfo(path).isDir())
            return path;
    }
    return QDir::cleanPath(libraryFolder.filePath(candidates[0]));
}

void install(const QString &language)
{
    const QString folders[2] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath), folder()};
    const QString names[2] = {QStringLiteral("qtbase"), QStringLiteral("corvane-host")};
    for (int which = 0; which < 2; ++which) {
        std::unique_ptr<QTranslator> &current = installed(which);
        if (current)
            QCoreApplication::removeTranslator(current.get());
        current = load(names[which], language, folders[which]);
        if (current)
            QCoreApplication::installTranslator(current.get());
    }
}

} // namespace Corvane::Host::HostTranslations
