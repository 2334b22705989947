#include "tablecatalog.h"

#include "engine.h"
#include "query.h"

#include "platform/runtimeerror.h"

#include <limits>

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
        // Names are compared as the host compares them: without regard to case.
        const QString wanted = table.name.trimmed().toCaseFolded();
        for (const TableRecord &other : all()) {
            if (other.name.trimmed().toCaseFolded() == wanted)
                Platform::raiseError(Platform::ErrorNumber::DuplicateKey, Internal::errorSource(),
                                     QStringLiteral("the table name \"%1\" is already used by "
                                                    "the table %2 (\"%3\"). Choose another name.")
                                         .arg(table.name)
                                         .arg(other.id)
                                         .arg(other.name));
        }
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
    if (highest.isNull())
        return 1;
    const qint64 next = highest.toLongLong() + 1;
    if (next > std::numeric_limits<qint32>::max())
        Platform::raiseError(Platform::ErrorNumber::Overflow, Internal::errorSource(),
                             QStringLiteral("no table id follows the highest one, %1: table ids "
                                            "end there. Give the new table a free id of its own.")
                                 .arg(highest.toLongLong()));
    return static_cast<qint32>(next);
}

} // namespace Corvane::Dravo
