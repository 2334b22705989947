#pragma once

#include "dravo_global.h"

#include <QHash>
#include <QString>

#include <optional>

class QIODevice;

namespace Corvane::Dravo {

class Engine;

// The database's action pad file: one archive, stored as ordered chunks in a
// child table (one schema for SQLite and PostgreSQL, memory bounded whatever
// the archive size), plus named text attributes.
class CORVANE_DRAVO_EXPORT ActionPadStore
{
public:
    explicit ActionPadStore(Engine &engine)
        : m_engine(engine)
    {
    }

    // Whether an archive has been stored.
    bool hasContent();
    // Size in bytes of the stored archive (0 when none).
    qint64 contentSize();
    // Writes the stored archive's bytes to `out`, chunk by chunk.
    void readContent(QIODevice &out);
    QHash<QString, QString> attributes();

    // One transaction: replaces the content with the file at `contentPath`
    // (when given) and sets the attributes (when any; an empty value removes
    // the attribute). Either everything changes or nothing does. Error 53 when the file is missing.
    void save(const std::optional<QString> &contentPath, const QHash<QString, QString> &attributes);

    // Bytes a chunk holds (the last one may hold fewer). Moving one chunk
    // costs about twice its size in memory on either server (SQLite builds
    // the whole row before writing it and copies it out on reading; libpq
    // keeps its own copy of a parameter or a result), so a save or a read
    // peaks at a few MB whatever the archive's size.
    static constexpr qint64 kChunkSize = 1024 * 1024;

private:
    Engine &m_engine;
};

} // namespace Corvane::Dravo
