#include "publish/archivefile.h"

#include "platform/paths.h"

namespace Brimble {

namespace {

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

ArchiveFile::ArchiveFile(QObject *parent)
    : QObject(parent)
{
    setSourceFilename(QString());
    setArchiveFilename(QString());
    setIsExcluded(false);
    setDuplicateArchiveFileExists(false);
}

QString ArchiveFile::SourcePath() const
{
    // The folder part with its trailing separator; a network path keeps its
    // two leading separators, a bare name has no folder part.
    const qsizetype last = m_SourceFilename.lastIndexOf(Corvane::Platform::Paths::separator());
    if (last < 0)
        return QString();
    return m_SourceFilename.left(last + 1);
}

QString ArchiveFile::ToString() const
{
    return QStringLiteral("[archivefile] af: ") + m_ArchiveFilename + QStringLiteral(", src: ") +
           m_SourceFilename + QStringLiteral(", duplicate: ") +
           boolText(m_DuplicateArchiveFileExists) + QStringLiteral(", excluded: ") +
           boolText(m_IsExcluded);
}

} // namespace Brimble
