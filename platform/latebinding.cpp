#include "latebinding.h"

#include "runtimeerror.h"

#include <QMetaMethod>
#include <QMetaProperty>

namespace Corvane::Platform::LateBinding {

namespace {

const QString kSource = QStringLiteral("LateBinding");

void requireObject(const QObject *object, const char *name)
{
    if (!object)
        raiseError(ErrorNumber::ObjectRequired, kSource,
                   QStringLiteral("member \"%1\" used on a null object").arg(QLatin1String(name)));
}

[[noreturn]] void memberNotFound(const QObject *object, const char *name)
{
    raiseError(ErrorNumber::MemberNotFound, kSource,
               QStringLiteral("%1 has no member \"%2\"")
                   .arg(QLatin1String(object->metaObject()->className()), QLatin1String(name)));
}

int findProperty(const QObject *object, const char *name)
{
    return object->metaObject()->indexOfProperty(name);
}

int findMethod(const QObject *object, const char *name, qsizetype argumentCount)
{
    const QMetaObject *meta = object->metaObject();
    const QByteArray wanted(name);
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() == wanted && method.parameterCount() == argumentCount &&
            method.methodType() != QMetaMethod::Signal)
            return i;
    }
    return -1;
}

} // namespace

QVariant getProperty(const QObject *object, const char *name)
{
    requireObject(object, name);
    const int index = findProperty(object, name);
    if (index < 0)
        memberNotFound(object, name);
    return object->metaObject()->property(index).read(object);
}

void setProperty(QObject *object, const char *name, const QVariant &value)
{
    requireObject(object, name);
    const int index = findProperty(object, name);
    if (index < 0)
        memberNotFound(object, name);
    const QMetaProperty property = object->metaObject()->property(index);
    QVariant converted = value;
    if (!converted.convert(property.metaType()))
        raiseError(ErrorNumber::TypeMismatch, kSource,
                   QStringLiteral("property \"%1\" cannot take a %2")
                       .arg(QLatin1String(name), QLatin1String(value.typeName())));
    if (!property.write(object, converted))
        raiseError(ErrorNumber::TypeMismatch, kSource,
                   QStringLiteral("property \"%1\" cannot be written").arg(QLatin1String(name)));
}

bool hasMember(const QObject *object, const char *name)
{
    if (!object)
        return false;
    if (findProperty(object, name) >= 0)
        return true;
    const QMetaObject *meta = object->metaObject();
    const QByteArray wanted(name);
    for (int i = 0; i < meta->methodCount(); ++i)
        if (meta->method(i).name() == wanted)
            return true;
    return false;
}

QVariant call(QObject *object, const char *name, const QVariantList &arguments)
{
    requireObject(object, name);
    if (arguments.size() > 9)
        raiseError(ErrorNumber::InvalidProcedureCall, kSource,
                   QStringLiteral("too many arguments for \"%1\"").arg(QLatin1String(name)));
    const int index = findMethod(object, name, arguments.size());
    if (index < 0)
        memberNotFound(object, name);
    const QMetaMethod method = object->metaObject()->method(index);

    // Convert every argument to the parameter's type, keeping the storage alive.
    QVariantList converted;
    converted.reserve(arguments.size());
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QVariant value = arguments.at(i);
        const QMetaType type = method.parameterMetaType(static_cast<int>(i));
        if (type.id() != QMetaType::QVariant && !value.convert(type))
            raiseError(ErrorNumber::TypeMismatch, kSource,
                       QStringLiteral("argument %1 of \"%2\" cannot be converted")
                           .arg(i + 1)
                           .arg(QLatin1String(name)));
        converted.append(value);
    }

    QGenericArgument args[9];
    for (qsizetype i = 0; i < converted.size(); ++i) {
        const QMetaType type = method.parameterMetaType(static_cast<int>(i));
        void *data = type.id() == QMetaType::QVariant ? static_cast<void *>(&converted[i])
                                                      : converted[i].data();
        args[i] = QGenericArgument(type.name(), data);
    }

    QVariant result;
    QGenericReturnArgument ret;
    const QMetaType returnType = method.returnMetaType();
    if (returnType.id() == QMetaType::QVariant) {
        ret = QGenericReturnArgument(returnType.name(), &result); // the method's own variant
    } else if (returnType.id() != QMetaType::Void && returnType.isValid()) {
        result = QVariant(returnType);
        ret = QGenericReturnArgument(returnType.name(), result.data());
    }
    const bool ok = method.invoke(object, Qt::DirectConnection, ret, args[0], args[1], args[2],
                                  args[3], args[4], args[5], args[6], args[7], args[8]);
    if (!ok)
        raiseError(ErrorNumber::MemberNotFound, kSource,
                   QStringLiteral("\"%1\" could not be called").arg(QLatin1String(name)));
    return result;
}

} // namespace Corvane::Platform::LateBinding
