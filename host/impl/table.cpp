#include "table.h"

#include "platform/runtimeerror.h"

namespace Corvane::Host {

namespace Internal {

class TableAttribute final : public IAttribute
{
public:
    explicit TableAttribute(QVariant value)
        : m_value(std::move(value))
    {
    }
    QVariant Value() const override { return m_value; }

private:
    QVariant m_value;
};

class TableAttributes final : public IAttributes
{
public:
    explicit TableAttributes(const Dravo::TableRecord &record)
        : m_record(record)
    {
    }

    std::shared_ptr<IAttribute> Item(const QString &name) override
    {
        if (name.compare(QLatin1String("idtable"), Qt::CaseInsensitive) == 0)
            return std::make_shared<TableAttribute>(QVariant(m_record.idTable));
        if (name.compare(QLatin1String("localname"), Qt::CaseInsensitive) == 0)
            return std::make_shared<TableAttribute>(QVariant(m_record.localName));
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall,
                             QStringLiteral("Attributes"),
                             QStringLiteral("the table \"%1\" has no attribute \"%2\" (it has "
                                            "\"idtable\" and \"localname\")")
                                 .arg(m_record.name, name));
    }

private:
    Dravo::TableRecord m_record;
};

} // namespace Internal

Table::Table(Dravo::TableRecord record)
    : m_record(std::move(record))
{
}

Table::~Table() = default;

std::shared_ptr<IAttributes> Table::Attributes()
{
    return std::make_shared<Internal::TableAttributes>(m_record);
}

} // namespace Corvane::Host
