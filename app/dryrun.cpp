#include "dryrun.h"

#include <QDir>
#include <QJsonArray>
#include <QSet>
#include <QTextStream>

#include <algorithm>

namespace Corvane::Admin {

namespace {

namespace State {
const QString Added = QStringLiteral("added");
const QString Changed = QStringLiteral("changed");
const QString Unchanged = QStringLiteral("unchanged");
} // namespace State

} // namespace

DryRunReport::DryRunReport(const QVariantMap &plan,
                           const std::optional<Dravo::EntryListing> &stored,
                           const QHash<QString, QString> &storedAttributes)
    : m_clashes(plan.value(QStringLiteral("clashes")).toList())
    , m_skippedLinks(plan.value(QStringLiteral("skippedLinks")).toStringList())
    , m_attributes(plan.value(QStringLiteral("attributes")).toMap())
    , m_totalSize(plan.value(QStringLiteral("totalSize")).toLongLong())
    , m_overLimit(plan.value(QStringLiteral("overLimit")).toBool())
{
    const Dravo::EntryListing none;
    const Dravo::EntryListing &before = stored ? *stored : none;
    const QVariantList planned = plan.value(QStringLiteral("entries")).toList();
    QSet<QString> names;
    names.reserve(planned.size());
    m_entries.reserve(planned.size());
    for (const QVariant &value : planned) {
        const QVariantMap map = value.toMap();
        Entry entry{map.value(QStringLiteral("name")).toString(),
                    map.value(QStringLiteral("source")).toString(),
                    map.value(QStringLiteral("size")).toLongLong(),
                    map.value(QStringLiteral("crc32")).toString(), State::Unchanged};
        names.insert(entry.name);
        const std::optional<quint32> old = before.crcOf(entry.name);
        if (!old) {
            entry.state = State::Added;
            ++m_added;
        } else if (*old != entry.crc32.toUInt(nullptr, 16)) {
            entry.state = State::Changed;
            ++m_changed;
        } else {
            ++m_unchanged;
        }
        m_entries.append(entry);
    }

    for (qsizetype i = 0; i < before.size(); ++i) {
        QString name = before.name(i);
        if (!names.contains(name))
            m_removed.append(std::move(name));
    }
    std::sort(m_removed.begin(), m_removed.end());

    // The attributes a publish writes (null: removes); the others stay as they are.
    const auto value = [](const std::optional<QString> &text) {
        return text ? QJsonValue(*text) : QJsonValue();
    };
    for (auto it = m_attributes.cbegin(); it != m_attributes.cend(); ++it) {
        const auto old = storedAttributes.constFind(it.key());
        const std::optional<QString> from =
            old == storedAttributes.cend() ? std::nullopt : std::optional<QString>(old.value());
        const std::optional<QString> to =
            it.value().isNull() ? std::nullopt : std::optional<QString>(it.value().toString());
        if (from != to)
            m_attributeChanges.insert(it.key(), QJsonObject{{QStringLiteral("from"), value(from)},
                                                            {QStringLiteral("to"), value(to)}});
    }
}

bool DryRunReport::hasChanges() const
{
    return m_added > 0 || m_changed > 0 || !m_removed.isEmpty() || !m_attributeChanges.isEmpty();
}

QJsonObject DryRunReport::json() const
{
    QJsonArray entries;
    for (const Entry &entry : m_entries)
        entries.append(QJsonObject{{QStringLiteral("name"), entry.name},
                                   {QStringLiteral("source"), entry.source},
                                   {QStringLiteral("size"), entry.size},
                                   {QStringLiteral("crc32"), entry.crc32},
                                   {QStringLiteral("state"), entry.state}});
    return QJsonObject{
        {QStringLiteral("entries"), entries},
        {QStringLiteral("removed"), QJsonArray::fromStringList(m_removed)},
        {QStringLiteral("clashes"), QJsonArray::fromVariantList(m_clashes)},
        {QStringLiteral("skippedLinks"), QJsonArray::fromStringList(m_skippedLinks)},
        {QStringLiteral("attributes"), QJsonObject::fromVariantMap(m_attributes)},
        {QStringLiteral("attributeChanges"), m_attributeChanges},
        {QStringLiteral("totalSize"), m_totalSize},
        {QStringLiteral("overLimit"), m_overLimit},
    };
}

void DryRunReport::printText(QTextStream &out) const
{
    out << "Entries:\n";
    for (const Entry &entry : m_entries)
        out << QStringLiteral("  %1 %2  %3  <- %4\n")
                   .arg(entry.state, -9)
                   .arg(entry.size, 10)
                   .arg(entry.name, QDir::toNativeSeparators(entry.source));
    for (const QString &name : m_removed)
        out << QStringLiteral("  %1 %2  %3\n")
                   .arg(QStringLiteral("removed"), -9)
                   .arg(QString(), 10)
                   .arg(name);

    if (!m_clashes.isEmpty()) {
        out << "Clashes (the duplicates dialog's default choice):\n";
        for (const QVariant &value : m_clashes) {
            const QVariantMap clash = value.toMap();
            QStringList left;
            for (const QString &source : clash.value(QStringLiteral("left")).toStringList())
                left.append(QDir::toNativeSeparators(source));
            out << "  " << clash.value(QStringLiteral("name")).toString() << ": keeps "
                << QDir::toNativeSeparators(clash.value(QStringLiteral("kept")).toString())
                << ", leaves out "
                << (left.isEmpty() ? QStringLiteral("nothing") : left.join(QStringLiteral(", ")))
                << '\n';
        }
    }

    if (!m_skippedLinks.isEmpty()) {
        out << "Skipped links (they lead outside the pad folders and the web folder):\n";
        for (const QString &link : m_skippedLinks)
            out << "  " << link << '\n';
    }

    out << "Attributes:";
    if (m_attributes.isEmpty())
        out << " none written";
    out << '\n';
    for (auto it = m_attributes.cbegin(); it != m_attributes.cend(); ++it) {
        // A removed attribute has no value: "absent" when it is not stored either.
        const bool removed = it.value().isNull();
        const QString written =
            removed ? QStringLiteral(" removed") : QStringLiteral(" = ") + it.value().toString();
        out << "  " << it.key();
        if (m_attributeChanges.contains(it.key())) {
            const QJsonValue from =
                m_attributeChanges.value(it.key()).toObject().value(QStringLiteral("from"));
            out << written
                << (from.isNull() ? QStringLiteral("  (new)")
                                  : QStringLiteral("  (was %1)").arg(from.toString()));
        } else {
            out << (removed ? QStringLiteral(" absent") : written) << "  (unchanged)";
        }
        out << '\n';
    }

    out << "Total: " << m_entries.size() << " files, " << m_totalSize << " bytes";
    if (m_overLimit)
        out << "; over 10 MB: a publish may ask before storing the archive";
    out << '\n';
    out << QStringLiteral("Changes: %1 added, %2 changed, %3 unchanged, %4 removed, %5 "
                          "attribute(s) changed\n")
               .arg(m_added)
               .arg(m_changed)
               .arg(m_unchanged)
               .arg(m_removed.size())
               .arg(m_attributeChanges.size());
    out << "Dry run: nothing was stored.\n";
}

} // namespace Corvane::Admin
