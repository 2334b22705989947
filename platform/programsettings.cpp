#include "programsettings.h"

#include "runtimeerror.h"

#include <QLocale>
#include <QSettings>

#include <cmath>

namespace Corvane::Platform {

namespace {

QSettings store(const QString &application)
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvane"),
                     application);
}

QString path(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

namespace ProgramSettings {

QString getSetting(const QString &application, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    return store(application).value(path(section, key), defaultValue).toString();
}

void saveSetting(const QString &application, const QString &section, const QString &key,
                 const QString &value)
{
    QSettings settings = store(application);
    settings.setValue(path(section, key), value);
    settings.sync();
}

void deleteSetting(const QString &application, const QString &section, const QString &key)
{
    QSettings settings = store(application);
    settings.remove(path(section, key));
    settings.sync();
}

} // namespace ProgramSettings

bool toBooleanStrict(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = QLocale::c().toDouble(trimmed, &ok);
    if (ok && std::isfinite(number))
        return number != 0.0;
    raiseError(ErrorNumber::TypeMismatch, QStringLiteral("Boolean"),
               QStringLiteral("\"%1\" is not a Boolean").arg(text));
}

QString booleanText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace Corvane::Platform
