#pragma once

#include "host_global.h"

#include "host/api/settingsnode.h"

#include <memory>

namespace Corvane::Dravo {
class Engine;
}

namespace Corvane::Host {

// One node of the database's settings tree. A node object is only a path: the
// node itself need not exist. A missing node or value reads as the empty
// text; SetValue creates the node with its parents.
class CORVANE_HOST_EXPORT SettingsNode final : public ISettingsNode
{
public:
    SettingsNode(std::shared_ptr<Dravo::Engine> engine, const QString &path);
    ~SettingsNode() override;
    Q_DISABLE_COPY_MOVE(SettingsNode)

    // The node below this one; `path` may hold several levels ("Inspectors\\Orders").
    std::shared_ptr<ISettingsNode> Node(const QString &path) override;
    QVariant Value(const QString &name) override;
    QVariant GetValue(const QString &name, const QVariant &defaultValue) override;
    void SetValue(const QString &name, const QVariant &value) override;
    QString Path() const override { return m_path; }

private:
    std::shared_ptr<Dravo::Engine> m_engine;
    QString m_path;
};

} // namespace Corvane::Host
