#pragma once

#include "dravo_global.h"

namespace Corvane::Dravo {

// Registers the data engine's creatable classes in this process's component
// registry: "Dravo.File" and "Norrick.Data.Components.Wrapper.DataUpdate".
CORVANE_DRAVO_EXPORT void registerComponents();

} // namespace Corvane::Dravo
