#pragma once

#include "platform/runtimeerror.h"

#include <functional>

// The number of the runtime error `body` raises (0 when none), and its description.
inline int errorOf(const std::function<void()> &body, QString *description = nullptr)
{
    try {
        body();
    } catch (const Corvane::Platform::RuntimeError &error) {
        if (description)
            *description = error.description();
        return error.number();
    }
    return 0;
}
