#include "runtimeerror.h"

namespace Corvane::Platform {

RuntimeError::RuntimeError(std::int32_t number, QString source, QString description,
                           QString helpFile, std::int32_t helpContext)
    : m_number(number)
    , m_source(std::move(source))
    , m_description(std::move(description))
    , m_helpFile(std::move(helpFile))
    , m_helpContext(helpContext)
    , m_what(toString().toUtf8())
{
}

QString RuntimeError::toString() const
{
    const QString hex =
        QStringLiteral("0x") + QString::number(static_cast<std::uint32_t>(m_number), 16)
                                   .rightJustified(8, QLatin1Char('0'))
                                   .toUpper();
    return QStringLiteral("Error %1 (%2) in %3: %4")
        .arg(QString::number(m_number), hex, m_source.isEmpty() ? QStringLiteral("?") : m_source,
             m_description);
}

const char *RuntimeError::what() const noexcept
{
    return m_what.constData();
}

QString standardDescription(std::int32_t number)
{
    switch (number) {
    case ErrorNumber::InvalidProcedureCall:
        return QStringLiteral("Invalid procedure call or argument");
    case ErrorNumber::Overflow:
        return QStringLiteral("Overflow");
    case ErrorNumber::SubscriptOutOfRange:
        return QStringLiteral("Subscript out of range");
    case ErrorNumber::TypeMismatch:
        return QStringLiteral("Type mismatch");
    case ErrorNumber::FileNotFound:
        return QStringLiteral("File not found");
    case ErrorNumber::PathFileAccessError:
        return QStringLiteral("Path/File access error");
    case ErrorNumber::InvalidPropertyValue:
        return QStringLiteral("Invalid property value");
    case ErrorNumber::ObjectRequired:
        return QStringLiteral("Object required");
    case ErrorNumber::CannotCreateObject:
        return QStringLiteral("ActiveX component can't create object");
    case ErrorNumber::MemberNotFound:
        return QStringLiteral("Object doesn't support this property or method");
    case ErrorNumber::DuplicateKey:
        return QStringLiteral("This key is already associated with an element of this collection");
    default:
        return {};
    }
}

void raiseError(std::int32_t number, const QString &source, const QString &detail)
{
    QString description = standardDescription(number);
    if (!detail.isEmpty())
        description = description.isEmpty() ? detail : description + QStringLiteral(": ") + detail;
    throw RuntimeError(number, source, description);
}

} // namespace Corvane::Platform
