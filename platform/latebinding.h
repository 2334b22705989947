#pragma once

#include "platform_global.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>

namespace Corvane::Platform::LateBinding {

// Calls by name at run time, over Qt's meta-object system. A member that the
// object does not have is runtime error 438; a null object is error 424; an
// argument that cannot be converted to the member's parameter type is error 13.

// Reads the Q_PROPERTY `name`.
CORVANE_PLATFORM_EXPORT QVariant getProperty(const QObject *object, const char *name);

// Writes the Q_PROPERTY `name`.
CORVANE_PLATFORM_EXPORT void setProperty(QObject *object, const char *name, const QVariant &value);

// Calls the Q_INVOKABLE method (or slot) `name` with the arguments; returns its
// result (an invalid QVariant for void). Overloads are chosen by argument count.
// An exception thrown by the method goes to the caller unchanged.
CORVANE_PLATFORM_EXPORT QVariant call(QObject *object, const char *name,
                                      const QVariantList &arguments = {});

// True when the object has a property or a method of that name.
CORVANE_PLATFORM_EXPORT bool hasMember(const QObject *object, const char *name);

} // namespace Corvane::Platform::LateBinding
