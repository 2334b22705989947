#pragma once

#include "host_global.h"

namespace Corvane::Host {

// Registers the host's creatable classes in this process's component registry
// ("Corvane.Utility", "Corvane.FileOpenDialog", "Corvane.Translator") and the
// data engine's ("Dravo.File", "Norrick.Data.Components.Wrapper.DataUpdate").
CORVANE_HOST_EXPORT void registerHostClasses();

} // namespace Corvane::Host
