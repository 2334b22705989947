#pragma once

#include "dravo_global.h"

#include "host/api/datafile.h"

#include <QMap>

#include <optional>

namespace Corvane::Dravo {

class Engine;

// The data engine's stored file of a database (class "Dravo.File"). Open
// attaches it to the action pad file of a database that this engine serves;
// SetAttribute and LoadFromFile only note changes, and Save writes all of them
// in one transaction. Close, or destruction, without Save changes nothing.
class CORVANE_DRAVO_EXPORT DravoFile final : public Host::IDravoFile
{
    Q_OBJECT
public:
    explicit DravoFile(QObject *parent = nullptr);
    ~DravoFile() override;
    Q_DISABLE_COPY_MOVE(DravoFile)

    void Open(Host::IDatabase *database, qint32 fileKind, qint32 openMode,
              QObject *reserved) override;
    void SetAttribute(const QString &name, const QVariant &value) override;
    void LoadFromFile(const QString &path) override;
    void Save() override;
    void Close() override;

    bool isOpen() const { return m_engine != nullptr; }

private:
    void requireOpen(const char *member) const;

    Engine *m_engine = nullptr;
    std::optional<QString> m_pendingContent;
    // Case-folded name -> (name as given last, value).
    QMap<QString, std::pair<QString, QString>> m_pendingAttributes;
};

} // namespace Corvane::Dravo
