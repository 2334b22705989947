#pragma once

#include "dravo_global.h"

#include <QList>
#include <QString>

#include <optional>

namespace Corvane::Dravo {

class Engine;

struct TableRecord
{
    qint32 id = 0;
    QString name;
    QString fallbackName;
    QString inspectorName;
    qint32 idTable = 0; // attribute "idtable"
    QString localName;  // attribute "localname"
};

// The database's catalog of tables.
class CORVANE_DRAVO_EXPORT TableCatalog
{
public:
    explicit TableCatalog(Engine &engine)
        : m_engine(engine)
    {
    }

    QList<TableRecord> all(); // in id order
    std::optional<TableRecord> find(qint32 id);
    // Adds a table; error 457 when the id or the name (compared without regard
    // to case) is taken, error 5 for an empty name.
    void add(const TableRecord &table);
    // The id after the highest; error 6 when that is past the largest id.
    qint32 nextFreeId();

private:
    Engine &m_engine;
};

} // namespace Corvane::Dravo
