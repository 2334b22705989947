#pragma once

namespace Corvane::Admin::Interruption {

// From here on SIGINT, SIGTERM and SIGHUP end the process with 128 + the
// signal's number (130, 143, 129), after its temporary files are removed and
// one line on standard error says so. The database is left as after a kill:
// in its old state or its new one, as its transactions guarantee. Call this
// before any other thread starts: the signals are blocked in every thread and
// taken by a thread of their own, where removing files is safe.
void exitOnSignals();

} // namespace Corvane::Admin::Interruption
