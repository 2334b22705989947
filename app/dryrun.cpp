#include "dryrun.h"

#include <QDir>
#include <QJsonArray>
#include <QTextStream>

#include <algorithm>

namespace Corvane::Admin {

namespace {

namespace State {
const QString Added = QStringLiteral("added");
const QString Changed = QStringLiteral("changed");
const QString Unchanged = QStringLiteral("unchanged");
} // namespace State

QString native(const QJsonValue &path)
{
    return QDir::toNativeSeparators(path.toString());
}

} // namespace

DryRunReport::DryRunReport(const QVariantMap &plan,
                           const std::optional<QHash<QString, quint32>> &stored,
                           const QHash<QString, QString> &storedAttributes)
{
    const QHash<QString, quint32> before = stored.value_or(QHash<QString, quint32>());
    QJsonArray entries;
    QSet<QString> names;
    for (const QVariant &value : plan.value(QStringLiteral("entries")).toList()) {
        QJsonObject entry = QJsonObject::fromVariantMap(value.toMap());
        const QString name = entry.value(QStringLiteral("name")).toString();
        names.insert(name);
        const auto old = before.constFind(name);
        QString state = State::Unchanged;
        if (old == before.cend()) {
            state = State::Added;
            ++m_added;
        } else if (QStringLiteral("%1").arg(old.value(), 8, 16, QLatin1Char('0')) !=
                   entry.value(QStringLiteral("crc32")).toString()) {
            state = State::Changed;
            ++m_changed;
        } else {
            ++m_unchanged;
        }
        entry.insert(QStringLiteral("state"), state);
        entries.append(entry);
    }

    QStringList removed;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!names.contains(it.key()))
            removed.append(it.key());
    }
    std::sort(removed.begin(), removed.end());

    // The attributes a publish writes; the others stay as they are.
    const QVariantMap attributes = plan.value(QStringLiteral("attributes")).toMap();
    QJsonObject attributeChanges;
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it) {
        const auto old = storedAttributes.constFind(it.key());
        if (old != storedAttributes.cend() && old.value() == it.value().toString())
            continue;
        attributeChanges.insert(
            it.key(),
            QJsonObject{{QStringLiteral("from"),
                         old == storedAttributes.cend() ? QJsonValue() : QJsonValue(old.value())},
                        {QStringLiteral("to"), it.value().toString()}});
    }

    m_json = QJsonObject{
        {QStringLiteral("entries"), entries},
        {QStringLiteral("removed"), QJsonArray::fromStringList(removed)},
        {QStringLiteral("clashes"),
         QJsonArray::fromVariantList(plan.value(QStringLiteral("clashes")).toList())},
        {QStringLiteral("attributes"), QJsonObject::fromVariantMap(attributes)},
        {QStringLiteral("attributeChanges"), attributeChanges},
        {QStringLiteral("totalSize"), plan.value(QStringLiteral("totalSize")).toLongLong()},
        {QStringLiteral("overLimit"), plan.value(QStringLiteral("overLimit")).toBool()},
    };
}

bool DryRunReport::hasChanges() const
{
    return m_added > 0 || m_changed > 0 ||
           !m_json.value(QStringLiteral("removed")).toArray().isEmpty() ||
           !m_json.value(QStringLiteral("attributeChanges")).toObject().isEmpty();
}

void DryRunReport::printText(QTextStream &out) const
{
    const QJsonArray entries = m_json.value(QStringLiteral("entries")).toArray();
    const QJsonArray removed = m_json.value(QStringLiteral("removed")).toArray();
    out << "Entries:\n";
    for (const QJsonValue &value : entries) {
        const QJsonObject entry = value.toObject();
        out << QStringLiteral("  %1 %2  %3  <- %4\n")
                   .arg(entry.value(QStringLiteral("state")).toString(), -9)
                   .arg(entry.value(QStringLiteral("size")).toInteger(), 10)
                   .arg(entry.value(QStringLiteral("name")).toString(),
                        native(entry.value(QStringLiteral("source"))));
    }
    for (const QJsonValue &name : removed)
        out << QStringLiteral("  %1 %2  %3\n")
                   .arg(QStringLiteral("removed"), -9)
                   .arg(QString(), 10)
                   .arg(name.toString());

    const QJsonArray clashes = m_json.value(QStringLiteral("clashes")).toArray();
    if (!clashes.isEmpty()) {
        out << "Clashes (the duplicates dialog's default choice):\n";
        for (const QJsonValue &value : clashes) {
            const QJsonObject clash = value.toObject();
            QStringList left;
            for (const QJsonValue &source : clash.value(QStringLiteral("left")).toArray())
                left.append(native(source));
            out << "  " << clash.value(QStringLiteral("name")).toString() << ": keeps "
                << native(clash.value(QStringLiteral("kept"))) << ", leaves out "
                << (left.isEmpty() ? QStringLiteral("nothing") : left.join(QStringLiteral(", ")))
                << '\n';
        }
    }

    const QJsonObject attributes = m_json.value(QStringLiteral("attributes")).toObject();
    const QJsonObject changes = m_json.value(QStringLiteral("attributeChanges")).toObject();
    out << "Attributes:";
    if (attributes.isEmpty())
        out << " none written";
    out << '\n';
    for (auto it = attributes.constBegin(); it != attributes.constEnd(); ++it) {
        out << "  " << it.key() << " = " << it.value().toString();
        if (changes.contains(it.key())) {
            const QJsonValue from =
                changes.value(it.key()).toObject().value(QStringLiteral("from"));
            out << (from.isNull() ? QStringLiteral("  (new)")
                                  : QStringLiteral("  (was %1)").arg(from.toString()));
        } else {
            out << "  (unchanged)";
        }
        out << '\n';
    }

    const qint64 totalSize = m_json.value(QStringLiteral("totalSize")).toInteger();
    out << "Total: " << entries.size() << " files, " << totalSize << " bytes";
    if (m_json.value(QStringLiteral("overLimit")).toBool())
        out << "; over 10 MB: a publish asks before storing the archive";
    out << '\n';
    out << QStringLiteral("Changes: %1 added, %2 changed, %3 unchanged, %4 removed, %5 "
                          "attribute(s) changed\n")
               .arg(m_added)
               .arg(m_changed)
               .arg(m_unchanged)
               .arg(removed.size())
               .arg(changes.size());
    out << "Dry run: nothing was stored.\n";
}

} // namespace Corvane::Admin
