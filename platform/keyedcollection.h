#pragma once

#include "runtimeerror.h"

#include <QHash>
#include <QList>
#include <QString>

#include <utility>

namespace Corvane::Platform {

// An ordered collection with text keys compared without regard to letter case.
// Adding a key that is already there is error 457; asking for a key that is not
// there is error 5. Lookups are by hash; order is the order of insertion.
template <typename T> class KeyedCollection
{
public:
    using Entry = std::pair<QString, T>;

    void add(const QString &key, T value)
    {
        const QString folded = fold(key);
        if (m_index.contains(folded))
            raiseError(ErrorNumber::DuplicateKey, QStringLiteral("Collection"),
                       QStringLiteral("the key \"%1\" is already in use").arg(key));
        m_index.insert(folded, m_entries.size());
        m_entries.append(Entry(key, std::move(value)));
    }

    bool contains(const QString &key) const { return m_index.contains(fold(key)); }

    // The value under the key; error 5 when there is none.
    const T &item(const QString &key) const { return m_entries.at(indexOf(key)).second; }
    T &item(const QString &key) { return m_entries[indexOf(key)].second; }

    // The value under the key, or nullptr when there is none.
    const T *find(const QString &key) const
    {
        const auto it = m_index.constFind(fold(key));
        return it == m_index.cend() ? nullptr : &m_entries.at(*it).second;
    }

    // 0-based positional access; error 9 outside 0 .. count() - 1.
    const T &at(qsizetype position) const
    {
        if (position < 0 || position >= m_entries.size())
            raiseError(ErrorNumber::SubscriptOutOfRange, QStringLiteral("Collection"),
                       QStringLiteral("position %1 of %2").arg(position).arg(m_entries.size()));
        return m_entries.at(position).second;
    }
    const QString &keyAt(qsizetype position) const
    {
        at(position);
        return m_entries.at(position).first;
    }

    void remove(const QString &key)
    {
        const qsizetype position = indexOf(key);
        m_entries.removeAt(position);
        m_index.clear();
        for (qsizetype i = 0; i < m_entries.size(); ++i)
            m_index.insert(fold(m_entries.at(i).first), i);
    }

    void clear()
    {
        m_entries.clear();
        m_index.clear();
    }

    qsizetype count() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }

    auto begin() const { return m_entries.cbegin(); }
    auto end() const { return m_entries.cend(); }

private:
    static QString fold(const QString &key) { return key.toCaseFolded(); }

    qsizetype indexOf(const QString &key) const
    {
        const auto it = m_index.constFind(fold(key));
        if (it == m_index.cend())
            raiseError(ErrorNumber::InvalidProcedureCall, QStringLiteral("Collection"),
                       QStringLiteral("no element has the key \"%1\"").arg(key));
        return *it;
    }

    QList<Entry> m_entries;
    QHash<QString, qsizetype> m_index;
};

// An ordered set of texts compared without regard to letter case.
class KeyedSet
{
public:
    // Adds the text; false (and nothing changes) when it is already there.
    bool insert(const QString &text)
    {
        if (m_items.contains(text))
            return false;
        m_items.add(text, text);
        return true;
    }
    bool contains(const QString &text) const { return m_items.contains(text); }
    qsizetype count() const { return m_items.count(); }
    QStringList values() const
    {
        QStringList list;
        for (const auto &entry : m_items)
            list.append(entry.second);
        return list;
    }

private:
    KeyedCollection<QString> m_items;
};

} // namespace Corvane::Platform
