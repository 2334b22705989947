#include "tablecatalog.h"

#include "engine.h"
#include "query.h"

#include "platform/runtimeerror.h"

namespace Corvane::Dravo {

namespace {

const QString kColumns =
    QStringLiteral("id, name, fallback_name, inspector_name, idtable, localname");

TableRecord readRecord(const Internal::Query &query)
{
    TableRecord table;
    table.id = query.value(0).toInt();
    table.name = query.value(1).toString();
    table.fallbackName = query.value(2).toString();
    table.inspectorName = query.value(3).toString();
    table.idTable = query.value(4).toInt();
    table.localName = query.value(5).toString();
    return table;
}

} // namespace

QList<TableRecord> TableCatalog::all()
{
    Internal::Query query(m_engine,
                          QStringLiteral("SELECT %1 FROM table_catalog ORDER BY id").arg(kColumns),
                          QStringLiteral("list the tables"));
    query.exec();
    QList<TableRecord> tables;
    while (query.next())
        tables.append(readRecord(query));
    return tables;
}

std::optional<TableRecord> TableCatalog::find(qint32 id)
{
    Internal::Query query(m_engine,
                          QStringLiteral("SELECT %1 FROM table_catalog WHERE id = ?").arg(kColumns),
                          QStringLiteral("find the table %1").arg(id));
    query.bind(id).exec();
    if (!query.next())
        return std::nullopt;
    return readRecord(query);
}

void TableCatalog::add(const TableRecord &table)
{
    if (table.name.trimmed().isEmpty())
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, Internal::errorSource(),
                             QStringLiteral("the table %1 cannot be added without a name. Give "
                                            "the table a name.")
                                 .arg(table.id));
    if (table.id <= 0)
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, Internal::errorSource(),
                             QStringLiteral("the table \"%1\" cannot be added with the id %2: "
                                            "table ids are positive numbers.")
                                 .arg(table.name)
                                 .arg(table.id));
    m_engine.transaction([&] {
        if (const std::optional<TableRecord> existing = find(table.id))
            Platform::raiseError(Platform::ErrorNumber::DuplicateKey, Internal::errorSource(),
                                 QStringLiteral("the table id %1 is already used by the table "
                                                "\"%2\". Choose another id.")
                                     .arg(table.id)
                                     .arg(existing->name));
        Internal::Query insert(m_engine,
                               QStringLiteral("INSERT INTO table_catalog (%1)"
                                              " VALUES (?, ?, ?, ?, ?, ?)")
                                   .arg(kColumns),
                               QStringLiteral("add the table \"%1\"").arg(table.name));
        insert.bind(table.id)
            .bind(table.name)
            .bind(table.fallbackName)
            .bind(table.inspectorName)
            .bind(table.idTable)
            .bind(table.localName)
            .exec();
    });
}

qint32 TableCatalog::nextFreeId()
{
    Internal::Query query(m_engine, QStringLiteral("SELECT MAX(id) FROM table_catalog"),
                          QStringLiteral("find the next free table id"));
    const QVariant highest = query.scalar();
    return highest.isNull() ? 1 : highest.toInt() + 1;
}

} // namespace Corvane::Dravo
