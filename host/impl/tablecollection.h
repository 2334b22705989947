#pragma once

#include "host_global.h"

#include "dravo/tablecatalog.h"
#include "host/api/table.h"

#include <QList>

#include <memory>
#include <optional>

namespace Corvane::Dravo {
class Engine;
}

namespace Corvane::Host {

// The database's tables in id order, read from the data engine's catalog on
// first use and kept until reload().
class CORVANE_HOST_EXPORT TableCollection final : public ITables
{
public:
    explicit TableCollection(std::shared_ptr<Dravo::Engine> engine);
    ~TableCollection() override;
    Q_DISABLE_COPY_MOVE(TableCollection)

    int Count() const override;
    std::shared_ptr<ITable> At(int position) override;
    // Item(id, ITables::ById); null for an unknown id. Error 5 for another
    // lookup kind, 13 when the index is no number.
    std::shared_ptr<ITable> Item(const QVariant &index, int lookup) override;

    void reload();

private:
    const QList<Dravo::TableRecord> &records() const;

    std::shared_ptr<Dravo::Engine> m_engine;
    mutable std::optional<QList<Dravo::TableRecord>> m_records;
};

} // namespace Corvane::Host
