#include "numberformat.h"

namespace Corvane::Platform {

QString formatFixed(double value, int decimals, const QLocale &locale)
{
    QLocale grouped = locale;
    grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(value, 'f', decimals);
}

} // namespace Corvane::Platform
