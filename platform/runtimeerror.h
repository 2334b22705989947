#pragma once

#include "platform_global.h"

#include <QString>

#include <cstdint>
#include <exception>

namespace Corvane::Platform {

// Error numbers of the runtime that this system raises or expects.
namespace ErrorNumber {
constexpr std::int32_t InvalidProcedureCall = 5;   // invalid procedure call or argument
constexpr std::int32_t Overflow = 6;               // arithmetic or index overflow
constexpr std::int32_t SubscriptOutOfRange = 9;    // no such element / no array yet
constexpr std::int32_t TypeMismatch = 13;          // a value cannot be converted
constexpr std::int32_t FileNotFound = 53;          // a file does not exist
constexpr std::int32_t PathFileAccessError = 75;   // a file exists but cannot be used
constexpr std::int32_t InvalidPropertyValue = 380; // a control rejects a position or size
constexpr std::int32_t ObjectRequired = 424;       // a null object was used
constexpr std::int32_t CannotCreateObject = 429; // class identifier not registered / not creatable
constexpr std::int32_t MemberNotFound = 438;     // object doesn't support this property or method
constexpr std::int32_t DuplicateKey = 457;       // key already associated with an element
constexpr std::int32_t ComponentBase =
    static_cast<std::int32_t>(0x80040000u); // component-defined errors
} // namespace ErrorNumber

// Number of a component-defined error: n + 0x80040000 (for example 513 -> 0x80040201).
constexpr std::int32_t componentError(std::int32_t n)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ErrorNumber::ComponentBase) +
                                     static_cast<std::uint32_t>(n));
}

// The one error type of the system: a runtime error with number, source,
// description, help file and help context. Thrown by value, caught by reference.
class CORVANE_PLATFORM_EXPORT RuntimeError : public std::exception
{
public:
    RuntimeError(std::int32_t number, QString source, QString description, QString helpFile = {},
                 std::int32_t helpContext = 0);

    std::int32_t number() const noexcept { return m_number; }
    const QString &source() const noexcept { return m_source; }
    const QString &description() const noexcept { return m_description; }
    const QString &helpFile() const noexcept { return m_helpFile; }
    std::int32_t helpContext() const noexcept { return m_helpContext; }

    // "Error 438 (0x000001B6) in Source: description" - for logs and standard error.
    QString toString() const;
    const char *what() const noexcept override;

private:
    std::int32_t m_number;
    QString m_source;
    QString m_description;
    QString m_helpFile;
    std::int32_t m_helpContext;
    QByteArray m_what;
};

// Throws a RuntimeError with the runtime's standard description for the number
// (for example 9 -> "Subscript out of range"), followed by detail when given.
[[noreturn]] CORVANE_PLATFORM_EXPORT void raiseError(std::int32_t number, const QString &source,
                                                     const QString &detail = {});

// The runtime's standard description of one of the numbers above; empty for others.
CORVANE_PLATFORM_EXPORT QString standardDescription(std::int32_t number);

} // namespace Corvane::Platform
