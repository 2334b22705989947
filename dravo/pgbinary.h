#pragma once

#include "chunktable.h"

namespace Corvane::Dravo::Internal {

// The action pad chunks on PostgreSQL, moved through libpq with binary
// parameters and binary results on the engine's own connection (reached
// through QSqlDriver::handle(), so inside the engine's transactions).
//
// Why not Qt's driver: QPSQL sends a bytea parameter as escaped text inside
// the statement (two hex digits a byte, built as a UTF-16 QString and then
// converted to UTF-8 again), and reads it back as text to unescape. A chunk
// would take about nine times its size in client memory and twice its size
// on the wire, and the conversions cost time. With binary parameters the
// chunk travels as it is: the client holds the chunk plus libpq's copy of it.
std::unique_ptr<ChunkTable> createPgChunkTable(Engine &engine);

} // namespace Corvane::Dravo::Internal
