#pragma once

#include "dravo/entrylisting.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

class QTextStream;

namespace Corvane::Admin {

// A publish's plan (the page's AnalyzePublish) held against what is stored:
// each entry added, changed (another CRC-32) or unchanged, the stored entries
// that would go, and the attributes whose value would change.
class DryRunReport final
{
public:
    // `stored`: the entries of the stored archive, nullopt when none is stored.
    DryRunReport(const QVariantMap &plan, const std::optional<Dravo::EntryListing> &stored,
                 const QHash<QString, QString> &storedAttributes);

    // Whether a publish would store anything other than what is stored now.
    bool hasChanges() const;

    // The object of --json: entries [{name, source, size, crc32, state}],
    // removed, clashes, skippedLinks, attributes (null: removed),
    // attributeChanges ({from, to}, null where absent), totalSize, overLimit.
    QJsonObject json() const;
    void printText(QTextStream &out) const;

private:
    struct Entry
    {
        QString name;
        QString source;
        qint64 size = 0;
        QString crc32;
        QString state;
    };

    QList<Entry> m_entries;
    QStringList m_removed;
    QVariantList m_clashes;
    QStringList m_skippedLinks;
    QVariantMap m_attributes;
    QJsonObject m_attributeChanges; // name -> {from (null when new), to}
    qint64 m_totalSize = 0;
    bool m_overLimit = false;
    qint64 m_added = 0;
    qint64 m_changed = 0;
    qint64 m_unchanged = 0;
};

} // namespace Corvane::Admin
