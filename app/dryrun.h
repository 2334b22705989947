#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>
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
    // `stored`: entry name -> CRC-32 of the stored archive, nullopt when none is stored.
    DryRunReport(const QVariantMap &plan, const std::optional<QHash<QString, quint32>> &stored,
                 const QHash<QString, QString> &storedAttributes);

    // Whether a publish would store anything other than what is stored now.
    bool hasChanges() const;

    // The object of --json: entries [{name, source, size, crc32, state}],
    // removed, clashes, attributes, attributeChanges, totalSize, overLimit.
    const QJsonObject &json() const { return m_json; }
    void printText(QTextStream &out) const;

private:
    QJsonObject m_json;
    qint64 m_added = 0;
    qint64 m_changed = 0;
    qint64 m_unchanged = 0;
};

} // namespace Corvane::Admin
