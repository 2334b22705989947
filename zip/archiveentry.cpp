#include "archiveentry.h"

#include "platform/paths.h"

#include <QHash>

#include <algorithm>
#include <cstring>

namespace Corvane::Zip::Internal {

namespace {

constexpr quint64 BlockSize = 64 * 1024;

// Where the file's name begins in a path: after the last separator.
qsizetype fileNameFrom(const QString &path)
{
    return std::max(path.lastIndexOf(QLatin1Char('/')),
                    path.lastIndexOf(Platform::Paths::separator())) +
           1;
}

} // namespace

EntryList::EntryList() = default;
EntryList::~EntryList() = default;
EntryList::EntryList(EntryList &&other) noexcept = default;
EntryList &EntryList::operator=(EntryList &&other) noexcept = default;

QByteArrayView EntryList::text(quint64 at, quint32 length) const
{
    return {m_blocks[size_t(at >> 32)].get() + (at & 0xFFFFFFFFu), qsizetype(length)};
}

quint64 EntryList::addText(QByteArrayView bytes)
{
    const auto length = quint64(bytes.size());
    if (m_blocks.empty() || (m_textEnd & 0xFFFFFFFFu) + length > BlockSize) {
        // A text longer than a block gets a block of its own.
        m_blocks.emplace_back(new char[std::max(BlockSize, length)]);
        m_textEnd = quint64(m_blocks.size() - 1) << 32;
    }
    const quint64 at = m_textEnd;
    if (length > 0)
        std::memcpy(m_blocks.back().get() + (at & 0xFFFFFFFFu), bytes.data(), length);
    m_textEnd += length;
    return at;
}

QByteArrayView EntryList::name(size_t index) const
{
    const Record &record = m_records[index];
    return text(record.nameAt, record.nameLength);
}

QString EntryList::sourcePath(size_t index) const
{
    const Record &record = m_records[index];
    return m_folders[record.folder].source +
           QString::fromUtf8(text(record.fileAt, record.fileLength));
}

QString EntryList::diskPath(size_t index) const
{
    const Record &record = m_records[index];
    const Folder &folder = m_folders[record.folder];
    return folder.diskWhole
               ? folder.disk
               : folder.disk + QString::fromUtf8(text(record.fileAt, record.fileLength));
}

size_t EntryList::slotOf(QByteArrayView name) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = qHash(name) & mask;; slot = (slot + 1) & mask) {
        const quint32 at = m_slots[slot];
        if (at == 0 || this->name(at - 1) == name)
            return slot;
    }
}

void EntryList::grow()
{
    // At most half full, so that a probe ends soon.
    m_slots.assign(std::max<size_t>(1024, m_slots.size() * 2), 0);
    for (size_t i = 0; i < m_records.size(); ++i)
        m_slots[slotOf(name(i))] = quint32(i + 1);
}

bool EntryList::contains(const QString &name) const
{
    return !m_slots.empty() && m_slots[slotOf(name.toUtf8())] != 0;
}

bool EntryList::add(const ArchiveEntry &entry, const QString &sourcePath, const QString &diskPath,
                    const QString &name)
{
    const QByteArray utf8 = name.toUtf8();
    if (m_slots.size() < 2 * (m_records.size() + 1))
        grow();
    const size_t slot = slotOf(utf8);
    if (m_slots[slot] != 0)
        return false;

    const qsizetype sourceCut = fileNameFrom(sourcePath);
    const qsizetype diskCut = fileNameFrom(diskPath);
    const QStringView file = QStringView(sourcePath).mid(sourceCut);
    // A file listed by itself may be spelled otherwise on disk: its disk path is kept whole.
    Folder folder{sourcePath.left(sourceCut), diskPath.left(diskCut), false};
    if (QStringView(diskPath).mid(diskCut) != file) {
        folder.disk = diskPath;
        folder.diskWhole = true;
    }
    if (m_folders.empty() || m_folders.back().source != folder.source ||
        m_folders.back().disk != folder.disk || m_folders.back().diskWhole != folder.diskWhole)
        m_folders.push_back(std::move(folder));

    Record record;
    record.entry = entry;
    record.folder = quint32(m_folders.size() - 1);
    record.nameAt = addText(utf8);
    record.nameLength = quint32(utf8.size());
    const QByteArray fileUtf8 = file.toUtf8();
    const QByteArrayView stored = text(record.nameAt, record.nameLength);
    if (stored.endsWith(fileUtf8) &&
        (stored.size() == fileUtf8.size() || stored[stored.size() - fileUtf8.size() - 1] == '/'))
        record.fileAt = record.nameAt + quint64(stored.size() - fileUtf8.size());
    else
        record.fileAt = addText(fileUtf8);
    record.fileLength = quint32(fileUtf8.size());
    m_records.push_back(record);
    m_slots[slot] = quint32(m_records.size());
    return true;
}

} // namespace Corvane::Zip::Internal
