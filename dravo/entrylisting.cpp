#include "entrylisting.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace Corvane::Dravo {

namespace {

// The stored form: this tag, then for each entry its CRC-32 (4 bytes), the
// size of its name (2 bytes, little-endian) and the name in UTF-8.
constexpr std::string_view kTag = "CVL1";
constexpr qsizetype kEntryHead = 6;

// Zip records (APPNOTE 4.3): their signatures and fixed sizes.
constexpr quint32 kCentralHeader = 0x02014b50;
constexpr quint32 kEndOfDirectory = 0x06054b50;
constexpr quint32 kZip64Locator = 0x07064b50;
constexpr quint32 kZip64End = 0x06064b50;
constexpr qsizetype kCentralHeaderSize = 46;
constexpr qsizetype kEndSize = 22;
constexpr qsizetype kLocatorSize = 20;
constexpr qsizetype kZip64EndSize = 56;

template <typename T> T le(const char *bytes)
{
    return qFromLittleEndian<T>(bytes);
}

bool readAt(QFile &file, qint64 position, char *into, qsizetype size)
{
    return position >= 0 && file.seek(position) && file.read(into, size) == size;
}

// Where the central directory lies and how many entries it holds, from the
// end records; false when there are none.
struct Directory
{
    quint64 entries = 0;
    quint64 size = 0;
    quint64 offset = 0;
};
bool findDirectory(QFile &file, Directory &directory)
{
    const qint64 fileSize = file.size();
    // The last record ends the file but for a comment of up to 65,535 bytes.
    const qint64 tailSize = std::min<qint64>(fileSize, kEndSize + 0xFFFF);
    QByteArray tail(tailSize, Qt::Uninitialized);
    if (!readAt(file, fileSize - tailSize, tail.data(), tailSize))
        return false;
    qsizetype end = tailSize - kEndSize;
    for (; end >= 0; --end) {
        const char *record = tail.constData() + end;
        if (le<quint32>(record) == kEndOfDirectory &&
            end + kEndSize + le<quint16>(record + 20) <= tailSize)
            break;
    }
    if (end < 0)
        return false;
    const char *record = tail.constData() + end;
    directory = {le<quint16>(record + 10), le<quint32>(record + 12), le<quint32>(record + 16)};
    if (directory.entries != 0xFFFF && directory.size != 0xFFFFFFFF &&
        directory.offset != 0xFFFFFFFF)
        return true;
    // Zip64: a locator just before the record names the larger end record.
    const qint64 endPosition = fileSize - tailSize + end;
    char locator[kLocatorSize];
    char zip64[kZip64EndSize];
    if (!readAt(file, endPosition - kLocatorSize, locator, kLocatorSize) ||
        le<quint32>(locator) != kZip64Locator ||
        !readAt(file, qint64(le<quint64>(locator + 8)), zip64, kZip64EndSize) ||
        le<quint32>(zip64) != kZip64End)
        return false;
    directory = {le<quint64>(zip64 + 32), le<quint64>(zip64 + 40), le<quint64>(zip64 + 48)};
    return true;
}

} // namespace

EntryListing::EntryListing()
    : m_bytes(kTag.data(), qsizetype(kTag.size()))
{
}

std::optional<EntryListing> EntryListing::readZip(const QString &path)
{
    QFile file(path);
    Directory directory;
    if (!file.open(QIODevice::ReadOnly) || !findDirectory(file, directory) ||
        directory.offset + directory.size > quint64(file.size()) ||
        directory.entries > directory.size / kCentralHeaderSize ||
        !file.seek(qint64(directory.offset)))
        return std::nullopt;

    EntryListing listing;
    listing.m_index.reserve(directory.entries);
    // Each entry's stored form is 40 bytes shorter than its central record.
    listing.m_bytes.reserve(qsizetype(kTag.size() + directory.size - directory.entries * 40));
    char header[kCentralHeaderSize];
    QByteArray name;
    for (quint64 i = 0; i < directory.entries; ++i) {
        if (file.read(header, kCentralHeaderSize) != kCentralHeaderSize ||
            le<quint32>(header) != kCentralHeader)
            return std::nullopt;
        const quint16 nameSize = le<quint16>(header + 28);
        const qint64 skipped = qint64(le<quint16>(header + 30)) + le<quint16>(header + 32);
        name.resize(nameSize);
        if (file.read(name.data(), nameSize) != nameSize || file.skip(skipped) != skipped)
            return std::nullopt;
        listing.append(std::string_view(name.constData(), size_t(nameSize)),
                       le<quint32>(header + 16));
    }
    listing.finish();
    return listing;
}

std::optional<EntryListing> EntryListing::decode(const QByteArray &bytes)
{
    if (!bytes.startsWith(QByteArrayView(kTag.data(), qsizetype(kTag.size()))))
        return std::nullopt;
    // The names stay where they are in the stored bytes.
    EntryListing listing;
    listing.m_bytes = bytes;
    const char *data = bytes.constData();
    for (qsizetype at = kTag.size(); at < bytes.size();) {
        if (bytes.size() - at < kEntryHead)
            return std::nullopt;
        const quint32 crc = le<quint32>(data + at);
        const quint16 size = le<quint16>(data + at + kEntryHead - 2);
        at += kEntryHead;
        if (bytes.size() - at < size)
            return std::nullopt;
        listing.m_index.push_back({at, size, crc});
        at += size;
    }
    listing.finish();
    return listing;
}

void EntryListing::append(std::string_view name, quint32 crc)
{
    // A zip entry's name is at most 65,535 bytes.
    const auto size = quint16(std::min<size_t>(name.size(), 0xFFFF));
    char head[kEntryHead];
    qToLittleEndian(crc, head);
    qToLittleEndian(size, head + 4);
    m_bytes.append(head, kEntryHead);
    m_index.push_back({m_bytes.size(), size, crc});
    m_bytes.append(name.data(), size);
}

void EntryListing::finish()
{
    // Equal names stay in the order they came (by offset); the last one counts.
    std::sort(m_index.begin(), m_index.end(), [this](const Entry &a, const Entry &b) {
        const int order = nameAt(a).compare(nameAt(b));
        return order < 0 || (order == 0 && a.offset < b.offset);
    });
    const auto last =
        std::unique(m_index.rbegin(), m_index.rend(),
                    [this](const Entry &a, const Entry &b) { return nameAt(a) == nameAt(b); });
    m_index.erase(m_index.begin(), last.base());
    m_index.shrink_to_fit();
}

std::string_view EntryListing::nameAt(const Entry &entry) const
{
    return std::string_view(m_bytes.constData() + entry.offset, entry.size);
}

QString EntryListing::name(qsizetype position) const
{
    const std::string_view text = nameAt(m_index[size_t(position)]);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::optional<quint32> EntryListing::crcOf(const QString &name) const
{
    const QByteArray utf8 = name.toUtf8();
    const std::string_view key(utf8.constData(), size_t(utf8.size()));
    const auto it = std::lower_bound(
        m_index.cbegin(), m_index.cend(), key,
        [this](const Entry &entry, std::string_view text) { return nameAt(entry) < text; });
    if (it == m_index.cend() || nameAt(*it) != key)
        return std::nullopt;
    return it->crc;
}

EntryListing::Changes EntryListing::changesTo(const EntryListing &next) const
{
    // Both indexes are in name order: one walk through the two.
    Changes changes;
    auto before = m_index.cbegin();
    auto after = next.m_index.cbegin();
    while (before != m_index.cend() || after != next.m_index.cend()) {
        const int order = before == m_index.cend() ? 1
                          : after == next.m_index.cend()
                              ? -1
                              : nameAt(*before).compare(next.nameAt(*after));
        if (order < 0) {
            ++changes.removed;
            ++before;
        } else if (order > 0) {
            ++changes.added;
            ++after;
        } else {
            changes.changed += before->crc != after->crc;
            ++before;
            ++after;
        }
    }
    return changes;
}

} // namespace Corvane::Dravo
