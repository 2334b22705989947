#pragma once

#include "runtimeerror.h"

#include <optional>

namespace Corvane::Platform {

// How an event handler tells its event's raiser that it failed. Events are Qt
// signals, and exceptions must not cross Qt's signal delivery, so an event that
// can fail carries an EventStatus*: the handler runs its body through
// runHandler(), which records the first error instead of letting it escape, and
// the raiser examines the status after emitting.
class EventStatus
{
public:
    bool failed() const { return m_error.has_value(); }
    const RuntimeError &error() const { return *m_error; }
    void fail(const RuntimeError &error)
    {
        if (!m_error)
            m_error = error;
    }
    // Throws the recorded error, if any, at the raiser.
    void rethrow() const
    {
        if (m_error)
            throw *m_error;
    }

private:
    std::optional<RuntimeError> m_error;
};

// Runs a handler body; a RuntimeError (or any std::exception, as error 5)
// thrown by it is recorded in the status. A null status means nobody asks.
template <typename Body> void runHandler(EventStatus *status, Body &&body)
{
    try {
        body();
    } catch (const RuntimeError &error) {
        if (status)
            status->fail(error);
    } catch (const std::exception &error) {
        if (status)
            status->fail(RuntimeError(ErrorNumber::InvalidProcedureCall, QStringLiteral("handler"),
                                      QString::fromLocal8Bit(error.what())));
    }
}

} // namespace Corvane::Platform
