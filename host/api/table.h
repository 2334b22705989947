#pragma once

#include "hostapi_global.h"

#include <QString>
#include <QVariant>

#include <memory>

namespace Corvane::Host {

class CORVANE_HOSTAPI_EXPORT IAttribute
{
public:
    virtual ~IAttribute();
    virtual QVariant Value() const = 0;
};

// A table's attributes: "idtable" (a number), "localname" (a text), ...
class CORVANE_HOSTAPI_EXPORT IAttributes
{
public:
    virtual ~IAttributes();
    // The attribute; error 5 when the table has no attribute of that name.
    virtual std::shared_ptr<IAttribute> Item(const QString &name) = 0;
};

class CORVANE_HOSTAPI_EXPORT ITable
{
public:
    virtual ~ITable();
    virtual QString Name() const = 0;
    virtual QString FallbackName() const = 0;
    virtual qint32 Id() const = 0;
    virtual QString InspectorName() const = 0;
    virtual std::shared_ptr<IAttributes> Attributes() = 0;
};

// The database's tables, in table id order.
class CORVANE_HOSTAPI_EXPORT ITables
{
public:
    // The lookup kind of Item() that finds a table by its id.
    static constexpr int ById = 4;

    virtual ~ITables();
    virtual int Count() const = 0;
    // 0-based position in id order; error 9 outside 0 .. Count() - 1.
    virtual std::shared_ptr<ITable> At(int position) = 0;
    // Item(id, ById): the table with that id, or null when there is none.
    virtual std::shared_ptr<ITable> Item(const QVariant &index, int lookup) = 0;
};

} // namespace Corvane::Host
