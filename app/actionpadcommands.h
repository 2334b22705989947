#pragma once

#include <QString>

class QTextStream;

namespace Corvane::Admin {

struct Invocation;

// "actionpads show" and "actionpads extract": the database's stored action
// pad archive, its attributes and the server cache's generation.
namespace ActionPadCommands {

int show(const Invocation &invocation, QTextStream &out);
int extract(const Invocation &invocation, QTextStream &out);

} // namespace ActionPadCommands
} // namespace Corvane::Admin
