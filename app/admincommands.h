#pragma once

class QTextStream;

namespace Corvane::Admin {

struct Invocation;

// The commands that change or read the database directly, without the GUI.
// Each returns the program's exit code; failures are thrown.
namespace AdminCommands {

int init(const Invocation &invocation, QTextStream &out);
int addTable(const Invocation &invocation, QTextStream &out);
int setSetting(const Invocation &invocation);
int getSetting(const Invocation &invocation, QTextStream &out);

} // namespace AdminCommands
} // namespace Corvane::Admin
