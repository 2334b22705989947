#include "hostclasses.h"

#include "fileopendialog.h"
#include "translator.h"
#include "utility.h"

#include "dravo/components.h"
#include "platform/componentregistry.h"

namespace Corvane::Host {

void registerHostClasses()
{
    auto &registry = Platform::ComponentRegistry::instance();
    registry.registerFactory(QLatin1String(ClassId::Utility), [] { return new Utility; });
    registry.registerFactory(QLatin1String(ClassId::FileOpenDialog),
                             [] { return new FileOpenDialog; });
    registry.registerFactory(QLatin1String(ClassId::Translator), [] { return new Translator; });
    Dravo::registerComponents();
}

} // namespace Corvane::Host
