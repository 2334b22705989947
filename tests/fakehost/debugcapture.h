#pragma once

#include "platform/debugoutput.h"

#include <QByteArrayList>

namespace FakeHost {

// Collects what reaches the debugger output while it lives: one entry per
// output call, bytes as they were sent.
class DebugCapture final
{
public:
    DebugCapture()
    {
        Corvane::Platform::setDebugOutputSink(
            [this](const QByteArray &text) { lines.append(text); });
    }
    ~DebugCapture() { Corvane::Platform::setDebugOutputSink(nullptr); }
    Q_DISABLE_COPY_MOVE(DebugCapture)

    QByteArrayList lines;
};

} // namespace FakeHost
