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
    const auto position = static_cast<qint32>(m_Records.size());
    m_Records.append(std::move(record));
    const QStringView source(m_Records.constLast().SourceFilename());
    const auto it = m_Index.constFind(CaseBlindKey{source});
    if (it == m_Index.cend()) {
        m_Index.insert(CaseBlindKey{source}, position);
        return true;
    }
    if (m_Records.at(*it).SourceFilename() != source && !m_CaseVariants.contains(source)) {
        m_CaseVariants.insert(source, position);
        return true;
    }
    m_Records.removeLast();
    return false;
}

const ArchiveRecord *ArchiveFileCollection::find(QStringView source) const
{
    const ArchiveRecord *first = findAnyCase(source);
    if (!first || first->SourceFilename() == source)
        return first;
    const auto it = m_CaseVariants.constFind(source);
    return it == m_CaseVariants.cend() ? nullptr : &m_Records.at(*it);
}

const ArchiveRecord *ArchiveFileCollection::findAnyCase(QStringView source) const
{
    const auto it = m_Index.constFind(CaseBlindKey{source});
    return it == m_Index.cend() ? nullptr : &m_Records.at(*it);
}

} // namespace Brimble
