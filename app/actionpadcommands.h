#pragma once

#include <QString>

class QTextStream;

namespace Corvane::Admin {

struct Invocation;

// "actionpads show", "extract" and "verify": the database's stored action
// pad archive, its checksum, its attributes and the server cache's generation.
namespace ActionPadCommands {

int show(const Invocation &invocation, QTextStream &out);
// Writes the stored archive to a regular file, or to standard output for "-";
// refuses a damaged archive.
int extract(const Invocation &invocation, QTextStream &out);
// Checks the stored archive against its SHA-256 and every entry's CRC-32:
// 0 when it is sound, 1 when it is damaged.
int verify(const Invocation &invocation, QTextStream &out);

} // namespace ActionPadCommands
} // namespace Corvane::Admin
