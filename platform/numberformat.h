#pragma once

#include "platform_global.h"

#include <QLocale>
#include <QString>

namespace Corvane::Platform {

// A number with exactly `decimals` digits after the decimal separator, in the
// locale's format (digit grouping, decimal separator, negative form). The
// default locale is the user's regional settings (QLocale()).
CORVANE_PLATFORM_EXPORT QString formatFixed(double value, int decimals,
                                            const QLocale &locale = QLocale());

} // namespace Corvane::Platform
