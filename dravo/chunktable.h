#pragma once

#include <QtGlobal>

#include <memory>

class QIODevice;

namespace Corvane::Dravo {

class Engine;

namespace Internal {

// The rows of the action pad file's content, one chunk of bytes each, moved
// without holding more than one chunk in memory. On SQLite through Qt's
// driver; on PostgreSQL through libpq with binary parameters (see pgbinary.h).
class ChunkTable
{
public:
    virtual ~ChunkTable() = default;

    static std::unique_ptr<ChunkTable> forEngine(Engine &engine);

    virtual void removeAll() = 0;
    virtual void insert(qint32 seq, const char *data, qint64 size) = 0;
    // Writes the chunk to `out` and returns its size; -1 when there is no such chunk.
    virtual qint64 readInto(qint32 seq, QIODevice &out) = 0;
};

} // namespace Internal
} // namespace Corvane::Dravo
