#include "interruption.h"

#include "platform/tempfile.h"

#include <QtGlobal>

#include <cstdio>
#include <thread>

#if defined(Q_OS_UNIX)
#include <csignal>
#include <pthread.h>
#include <unistd.h>
#endif

namespace Corvane::Admin::Interruption {

void exitOnSignals()
{
#if defined(Q_OS_UNIX)
    sigset_t handled;
    sigemptyset(&handled);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&handled, signal);
    if (pthread_sigmask(SIG_BLOCK, &handled, nullptr) != 0)
        return;
    std::thread([handled] {
        int signal = 0;
        while (sigwait(&handled, &signal) != 0) {
        }
        const int removed = Platform::removeOwnTempFiles();
        const char *name = signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "SIGHUP";
        std::fprintf(stderr,
                     "corvane-admin: stopped by %s; %d temporary file(s) removed; the database "
                     "keeps the state of its last completed change\n",
                     name, removed);
        std::fflush(stderr);
        _exit(128 + signal);
    }).detach();
#endif
}

} // namespace Corvane::Admin::Interruption
