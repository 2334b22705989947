#pragma once

#include "platform/keyedcollection.h"

#include <QObject>
#include <QString>

#include <memory>

namespace Brimble {

// One file that goes into the published archive: where it comes from, the
// name it carries inside the archive, whether that name clashes with another
// file's, and whether the user left it out. A plain value holder.
class ArchiveFile final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString ArchiveFilename READ ArchiveFilename WRITE setArchiveFilename)
    Q_PROPERTY(bool DuplicateArchiveFileExists READ DuplicateArchiveFileExists WRITE
                   setDuplicateArchiveFileExists)
    Q_PROPERTY(QString SourceFilename READ SourceFilename WRITE setSourceFilename)
    Q_PROPERTY(QString SourcePath READ SourcePath)
    Q_PROPERTY(bool IsExcluded READ IsExcluded WRITE setIsExcluded)
public:
    explicit ArchiveFile(QObject *parent = nullptr);

    QString ArchiveFilename() const { return m_ArchiveFilename; }
    void setArchiveFilename(const QString &Filename) { m_ArchiveFilename = Filename; }
    bool DuplicateArchiveFileExists() const { return m_DuplicateArchiveFileExists; }
    void setDuplicateArchiveFileExists(bool bDuplicateExists)
    {
        m_DuplicateArchiveFileExists = bDuplicateExists;
    }
    QString SourceFilename() const { return m_SourceFilename; }
    void setSourceFilename(const QString &Filename) { m_SourceFilename = Filename; }
    QString SourcePath() const;
    bool IsExcluded() const { return m_IsExcluded; }
    void setIsExcluded(bool bIsExcluded) { m_IsExcluded = bIsExcluded; }
    Q_INVOKABLE QString ToString() const;

private:
    QString m_SourceFilename;
    QString m_ArchiveFilename;
    bool m_IsExcluded = false;
    bool m_DuplicateArchiveFileExists = false;
};

// The archiver's records, keyed by SourceFilename without regard to case (a
// file whose path differs from another's only in case, a file of its own on a
// file system that tells case apart, has its position added to its key).
using ArchiveFileCollection = Corvane::Platform::KeyedCollection<std::shared_ptr<ArchiveFile>>;

} // namespace Brimble
