#include "publish/archivefile.h"

#include "platform/paths.h"

namespace Brimble {

namespace {

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

void ArchiveRecord::setArchiveFilename(const QString &Filename)
{
    if (m_SourceFilename.endsWith(Filename)) {
        m_NameStart = static_cast<qint32>(m_SourceFilename.size() - Filename.size());
        m_ArchiveFilename.clear();
    } else {
        m_NameStart = -1;
        m_ArchiveFilename = Filename;
    }
}

void ArchiveRecord::setSourceFilename(const QString &Filename)
{
    // The archive name stays as it is: it gets a text of its own first.
    if (m_NameStart >= 0 && !ArchiveNameView().isEmpty())
        m_ArchiveFilename = ArchiveFilename();
    m_NameStart = -1;
    m_SourceFilename = Filename;
}

QString ArchiveRecord::SourcePath() const
{
    // The folder part with its trailing separator; a network path keeps its
    // two leading separators, a bare name has no folder part.
    const qsizetype last = m_SourceFilename.lastIndexOf(Corvane::Platform::Paths::separator());
    if (last < 0)
        return QString();
    return m_SourceFilename.left(last + 1);
}

QString ArchiveRecord::ToString() const
{
    return QStringLiteral("[archivefile] af: ") + ArchiveNameView().toString() +
           QStringLiteral(", src: ") + m_SourceFilename + QStringLiteral(", duplicate: ") +
           boolText(m_DuplicateArchiveFileExists) + QStringLiteral(", excluded: ") +
           boolText(m_IsExcluded);
}

size_t qHash(CaseBlindKey key, size_t seed) noexcept
{
    // Folded as QStringView::compare folds without regard to case: by code point.
    size_t hash = seed;
    const QStringView text = key.text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text.at(++i).unicode());
        hash = hash * 31 + QChar::toCaseFolded(c);
    }
    return hash;
}

bool ArchiveFileCollection::add(ArchiveRecord record)
{
    const auto position = quint32(m_Records.size());
    m_Records.push_back(std::move(record));
    const QStringView source(m_Records.back().SourceFilename());
    if ((m_Records.size() + 1) * 2 > m_Slots.size())
        grow();
    const auto hash = quint32(qHash(CaseBlindKey{source}));
    Slot &slot = m_Slots[slotOf(source, hash)];
    if (slot.record == 0) {
        slot = {position + 1, hash};
        return true;
    }
    const QString key = source.toString();
    if (m_Records[slot.record - 1].SourceFilename() != source && !m_CaseVariants.contains(key)) {
        m_CaseVariants.insert(key, qint32(position));
        return true;
    }
    m_Records.pop_back();
    return false;
}

size_t ArchiveFileCollection::slotOf(QStringView source, quint32 hash) const
{
    const size_t mask = m_Slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot &slot = m_Slots[i];
        if (slot.record == 0 ||
            (slot.hash == hash && QStringView(m_Records[slot.record - 1].SourceFilename())
                                          .compare(source, Qt::CaseInsensitive) == 0))
            return i;
    }
}

void ArchiveFileCollection::grow()
{
    std::vector<Slot> table(std::max<size_t>(64, m_Slots.size() * 2));
    const size_t mask = table.size() - 1;
    for (const Slot &slot : m_Slots) {
        if (slot.record == 0)
            continue;
        size_t i = slot.hash & mask;
        while (table[i].record != 0)
            i = (i + 1) & mask;
        table[i] = slot;
    }
    m_Slots = std::move(table);
}

qsizetype ArchiveFileCollection::firstAnyCase(QStringView source) const
{
    if (m_Slots.empty())
        return -1;
    return qsizetype(m_Slots[slotOf(source, quint32(qHash(CaseBlindKey{source})))].record) - 1;
}

qsizetype ArchiveFileCollection::indexOf(QStringView source) const
{
    const qsizetype first = firstAnyCase(source);
    if (first < 0 || m_Records[size_t(first)].SourceFilename() == source)
        return first;
    const auto it = m_CaseVariants.constFind(source.toString());
    return it == m_CaseVariants.cend() ? -1 : *it;
}

void ArchiveFileCollection::dropTexts(qsizetype position)
{
    ArchiveRecord &record = at(position);
    ArchiveRecord bare;
    bare.setIsExcluded(record.IsExcluded());
    bare.setDuplicateArchiveFileExists(record.DuplicateArchiveFileExists());
    record = std::move(bare);
}

const ArchiveRecord *ArchiveFileCollection::find(QStringView source) const
{
    const qsizetype position = indexOf(source);
    return position < 0 ? nullptr : &at(position);
}

const ArchiveRecord *ArchiveFileCollection::findAnyCase(QStringView source) const
{
    const qsizetype first = firstAnyCase(source);
    return first < 0 ? nullptr : &at(first);
}

} // namespace Brimble
