#pragma once

#include "hostapi_global.h"

#include <QString>
#include <QVariant>

#include <memory>

namespace Corvane::Host {

// One node of the settings tree stored in the database. Paths use the tree's
// own separator, the backslash ("Inspectors\\Customers\\WebBar"). A node or
// value that does not exist reads as the empty text; SetValue creates the node.
class CORVANE_HOSTAPI_EXPORT ISettingsNode
{
public:
    virtual ~ISettingsNode();
    virtual std::shared_ptr<ISettingsNode> Node(const QString &path) = 0;
    virtual QVariant Value(const QString &name) = 0;
    virtual QVariant GetValue(const QString &name, const QVariant &defaultValue) = 0;
    virtual void SetValue(const QString &name, const QVariant &value) = 0;
    // The node's full path from the root ("" for the root).
    virtual QString Path() const = 0;
};

} // namespace Corvane::Host
