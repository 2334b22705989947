#include "settingsnode.h"

#include "dravo/settingstree.h"

namespace Corvane::Host {

SettingsNode::SettingsNode(std::shared_ptr<Dravo::Engine> engine, const QString &path)
    : m_engine(std::move(engine))
    , m_path(Dravo::SettingsTree::normalise(path))
{
}

SettingsNode::~SettingsNode() = default;

std::shared_ptr<ISettingsNode> SettingsNode::Node(const QString &path)
{
    const QString child = m_path.isEmpty() ? path : m_path + QLatin1Char('\\') + path;
    return std::make_shared<SettingsNode>(m_engine, child);
}

QVariant SettingsNode::Value(const QString &name)
{
    return GetValue(name, QString());
}

QVariant SettingsNode::GetValue(const QString &name, const QVariant &defaultValue)
{
    return Dravo::SettingsTree(*m_engine).value(m_path, name).value_or(defaultValue);
}

void SettingsNode::SetValue(const QString &name, const QVariant &value)
{
    Dravo::SettingsTree(*m_engine).setValue(m_path, name, value);
}

} // namespace Corvane::Host
