#include "components.h"

#include "dataupdate.h"
#include "dravofile.h"

#include "platform/componentregistry.h"

namespace Corvane::Dravo {

void registerComponents()
{
    auto &registry = Platform::ComponentRegistry::instance();
    registry.registerFactory(QString::fromLatin1(Host::ClassId::DravoFile),
                             [] { return new DravoFile; });
    registry.registerFactory(QString::fromLatin1(Host::ClassId::DataUpdate),
                             [] { return new DataUpdate; });
}

} // namespace Corvane::Dravo
