#pragma once

#include "host_global.h"

#include "dravo/tablecatalog.h"
#include "host/api/table.h"

namespace Corvane::Host {

// One table of the database, as the catalog described it when it was read.
// Its attributes are "idtable" (a number) and "localname" (a text).
class CORVANE_HOST_EXPORT Table final : public ITable
{
public:
    explicit Table(Dravo::TableRecord record);
    ~Table() override;
    Q_DISABLE_COPY_MOVE(Table)

    QString Name() const override { return m_record.name; }
    QString FallbackName() const override { return m_record.fallbackName; }
    qint32 Id() const override { return m_record.id; }
    QString InspectorName() const override { return m_record.inspectorName; }
    std::shared_ptr<IAttributes> Attributes() override;

private:
    Dravo::TableRecord m_record;
};

} // namespace Corvane::Host
