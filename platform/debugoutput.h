#pragma once

#include "platform_global.h"

#include <QByteArray>

#include <functional>

namespace Corvane::Platform {

// The operating system's debugger output: OutputDebugStringA on Windows, the
// bytes as they are on standard error elsewhere.
CORVANE_PLATFORM_EXPORT void outputDebugString(const QByteArray &text);

// Tests and tools may capture what would go to the debugger output. While a
// sink is installed, outputDebugString hands the bytes to it instead.
using DebugOutputSink = std::function<void(const QByteArray &)>;
CORVANE_PLATFORM_EXPORT void setDebugOutputSink(DebugOutputSink sink);

} // namespace Corvane::Platform
