#include "tablecollection.h"

#include "table.h"

#include "platform/runtimeerror.h"

namespace Corvane::Host {

namespace {
const QString kSource = QStringLiteral("Tables");
}

TableCollection::TableCollection(std::shared_ptr<Dravo::Engine> engine)
    : m_engine(std::move(engine))
{
}

TableCollection::~TableCollection() = default;

const QList<Dravo::TableRecord> &TableCollection::records() const
{
    if (!m_records)
        m_records = Dravo::TableCatalog(*m_engine).all();
    return *m_records;
}

int TableCollection::Count() const
{
    return static_cast<int>(records().size());
}

std::shared_ptr<ITable> TableCollection::At(int position)
{
    const QList<Dravo::TableRecord> &list = records();
    if (position < 0 || position >= list.size())
        Platform::raiseError(Platform::ErrorNumber::SubscriptOutOfRange, kSource,
                             QStringLiteral("there is no table at position %1 of %2")
                                 .arg(position)
                                 .arg(list.size()));
    return std::make_shared<Table>(list.at(position));
}

std::shared_ptr<ITable> TableCollection::Item(const QVariant &index, int lookup)
{
    if (lookup != ById)
        Platform::raiseError(
            Platform::ErrorNumber::InvalidProcedureCall, kSource,
            QStringLiteral("lookup kind %1 is not supported; use %2 to find a table by its id")
                .arg(lookup)
                .arg(ById));
    bool ok = false;
    const qint32 id = index.toInt(&ok);
    if (!ok)
        Platform::raiseError(
            Platform::ErrorNumber::TypeMismatch, kSource,
            QStringLiteral("the table id \"%1\" is not a number").arg(index.toString()));
    for (const Dravo::TableRecord &record : records()) {
        if (record.id == id)
            return std::make_shared<Table>(record);
    }
    return nullptr;
}

void TableCollection::reload()
{
    m_records.reset();
}

} // namespace Corvane::Host
