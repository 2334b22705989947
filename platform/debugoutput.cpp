#include "debugoutput.h"

#include <QtGlobal>

#include <cstdio>

#if defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace Corvane::Platform {

namespace {
DebugOutputSink &sink()
{
    static DebugOutputSink instance;
    return instance;
}
} // namespace

void setDebugOutputSink(DebugOutputSink newSink)
{
    sink() = std::move(newSink);
}

void outputDebugString(const QByteArray &text)
{
    if (sink()) {
        sink()(text);
        return;
    }
#if defined(Q_OS_WIN)
    OutputDebugStringA(text.constData());
#else
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
    std::fflush(stderr);
#endif
}

} // namespace Corvane::Platform
