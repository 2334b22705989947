#pragma once

#include "dravo_global.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace Corvane::Dravo {

class Engine;

// The settings tree stored in the database: nodes addressed by backslash
// paths ("Inspectors\\Customers\\WebBar"), compared without regard to case,
// each holding named values (texts or numbers, returned as stored).
class CORVANE_DRAVO_EXPORT SettingsTree
{
public:
    explicit SettingsTree(Engine &engine)
        : m_engine(engine)
    {
    }

    // The value, or nullopt when the node or the value does not exist.
    std::optional<QVariant> value(const QString &nodePath, const QString &name);
    // Stores the value, creating the node and its parents; error 5 for a node
    // deeper than 64 levels.
    void setValue(const QString &nodePath, const QString &name, const QVariant &value);
    bool nodeExists(const QString &nodePath);
    // Normalises a path: backslashes, no empty parts, no leading or trailing separator.
    static QString normalise(const QString &nodePath);

private:
    Engine &m_engine;
};

} // namespace Corvane::Dravo
