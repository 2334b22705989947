#pragma once

// Short Qt Test tables: columns<QString, bool>({"text", "url"}) declares them,
// row("http address", "http://server/", true) adds one named row; words("a - b") gives a
// list written in one text: {"a", "", "b"}.

#include <QTest>

#include <array>

namespace DataRows {

template <typename... T> void columns(const std::array<const char *, sizeof...(T)> &names)
{
    std::size_t i = 0;
    (QTest::addColumn<T>(names[i++]), ...);
}

template <typename... V> void row(const char *name, const V &...values)
{
    (QTest::newRow(name) << ... << values);
}

inline QStringList words(const QString &text)
{
    QStringList list = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString &word : list)
        if (word == QLatin1String("-"))
            word.clear();
    return list;
}

} // namespace DataRows
