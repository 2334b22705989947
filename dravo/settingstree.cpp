#include "settingstree.h"

#include "engine.h"
#include "query.h"

#include "platform/runtimeerror.h"

#include <QLocale>

namespace Corvane::Dravo {

namespace {

const QChar kSeparator = QLatin1Char('\\');
// How deep a node may lie. Every node keeps its whole path as its key, so a
// path of thousands of levels would store millions of characters.
constexpr qsizetype kMaxDepth = 64;

// How a value is kept: its text plus the kind it is read back as.
enum class Kind : int
{
    Text = 0,
    Integer = 1,
    Real = 2,
    Boolean = 3
};

QString key(const QString &text)
{
    return text.toCaseFolded();
}

std::pair<Kind, QString> encode(const QVariant &value, const QString &nodePath, const QString &name)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return {Kind::Text, QString()};
    case QMetaType::Bool:
        return {Kind::Boolean, value.toBool() ? QStringLiteral("1") : QStringLiteral("0")};
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
        return {Kind::Integer, QString::number(value.toLongLong())};
    case QMetaType::Double:
    case QMetaType::Float:
        // 17 significant digits read back as the same double.
        return {Kind::Real, QString::number(value.toDouble(), 'g', 17)};
    case QMetaType::QString:
        return {Kind::Text, value.toString()};
    default:
        break;
    }
    Platform::raiseError(Platform::ErrorNumber::TypeMismatch, Internal::errorSource(),
                         QStringLiteral("the value \"%1\" of the settings node \"%2\" cannot be "
                                        "stored: a %3 is neither a text nor a number")
                             .arg(name, nodePath, QLatin1String(value.typeName())));
}

QVariant decode(int kind, const QString &text)
{
    switch (static_cast<Kind>(kind)) {
    case Kind::Integer:
        return QVariant(text.toLongLong());
    case Kind::Real:
        return QVariant(text.toDouble());
    case Kind::Boolean:
        return QVariant(text == QLatin1String("1"));
    case Kind::Text:
        break;
    }
    return QVariant(text);
}

// The id of the node with that normalised path, or -1.
qint64 findNode(Engine &engine, const QString &path)
{
    Internal::Query query(engine, QStringLiteral("SELECT id FROM settings_node WHERE path_key = ?"),
                          QStringLiteral("find the settings node \"%1\"").arg(path));
    const QVariant id = query.bind(key(path)).scalar();
    return id.isValid() ? id.toLongLong() : -1;
}

// The node's id, creating it and its parents as needed.
qint64 ensureNode(Engine &engine, const QString &path)
{
    qint64 parent = findNode(engine, QString());
    QString prefix;
    for (const QString &part : path.split(kSeparator, Qt::SkipEmptyParts)) {
        prefix = prefix.isEmpty() ? part : prefix + kSeparator + part;
        const qint64 existing = findNode(engine, prefix);
        if (existing >= 0) {
            parent = existing;
            continue;
        }
        Internal::Query insert(engine,
                               QStringLiteral("INSERT INTO settings_node (parent_id, name, "
                                              "path_key) VALUES (?, ?, ?) RETURNING id"),
                               QStringLiteral("create the settings node \"%1\"").arg(prefix));
        parent = insert.bind(parent).bind(part).bind(key(prefix)).scalar().toLongLong();
    }
    return parent;
}

} // namespace

QString SettingsTree::normalise(const QString &nodePath)
{
    return nodePath.split(kSeparator, Qt::SkipEmptyParts).join(kSeparator);
}

std::optional<QVariant> SettingsTree::value(const QString &nodePath, const QString &name)
{
    const QString path = normalise(nodePath);
    Internal::Query query(
        m_engine,
        QStringLiteral("SELECT v.kind, v.value FROM settings_value v"
                       " JOIN settings_node n ON n.id = v.node_id"
                       " WHERE n.path_key = ? AND v.name_key = ?"),
        QStringLiteral("read the value \"%1\" of the settings node \"%2\"").arg(name, path));
    query.bind(key(path)).bind(key(name)).exec();
    if (!query.next())
        return std::nullopt;
    return decode(query.value(0).toInt(), query.value(1).toString());
}

void SettingsTree::setValue(const QString &nodePath, const QString &name, const QVariant &value)
{
    const QString path = normalise(nodePath);
    if (name.isEmpty())
        Platform::raiseError(
            Platform::ErrorNumber::InvalidProcedureCall, Internal::errorSource(),
            QStringLiteral("a value of the settings node \"%1\" needs a name").arg(path));
    const qsizetype depth = path.count(kSeparator) + (path.isEmpty() ? 0 : 1);
    if (depth > kMaxDepth)
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, Internal::errorSource(),
                             QStringLiteral("the settings path \"%1...\" has %2 levels; a "
                                            "settings node lies at most %3 levels deep")
                                 .arg(path.left(60))
                                 .arg(depth)
                                 .arg(kMaxDepth));
    const auto [kind, text] = encode(value, path, name);
    m_engine.transaction([&] {
        const qint64 node = ensureNode(m_engine, path);
        Internal::Query upsert(
            m_engine,
            QStringLiteral("INSERT INTO settings_value (node_id, name, name_key, kind, value)"
                           " VALUES (?, ?, ?, ?, ?)"
                           " ON CONFLICT (node_id, name_key) DO UPDATE"
                           " SET name = excluded.name, kind = excluded.kind,"
                           " value = excluded.value"),
            QStringLiteral("store the value \"%1\" of the settings node \"%2\"").arg(name, path));
        upsert.bind(node).bind(name).bind(key(name)).bind(static_cast<int>(kind)).bind(text).exec();
    });
}

bool SettingsTree::nodeExists(const QString &nodePath)
{
    return findNode(m_engine, normalise(nodePath)) >= 0;
}

} // namespace Corvane::Dravo
