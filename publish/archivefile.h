#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>

#include <deque>
#include <vector>

namespace Brimble {

// One file that goes into the published archive: where it comes from, the
// name it carries inside the archive, whether that name clashes with another
// file's, and whether the user left it out. A plain value holder, light
// enough to keep one per file of a large web folder; its members answer by
// name through its meta-object (ArchiveRecord::staticMetaObject).
class ArchiveRecord
{
    Q_GADGET
    Q_PROPERTY(QString ArchiveFilename READ ArchiveFilename WRITE setArchiveFilename)
    Q_PROPERTY(bool DuplicateArchiveFileExists READ DuplicateArchiveFileExists WRITE
                   setDuplicateArchiveFileExists)
    Q_PROPERTY(QString SourceFilename READ SourceFilename WRITE setSourceFilename)
    Q_PROPERTY(QString SourcePath READ SourcePath)
    Q_PROPERTY(bool IsExcluded READ IsExcluded WRITE setIsExcluded)
public:
    QString ArchiveFilename() const { return ArchiveNameView().toString(); }
    void setArchiveFilename(const QString &Filename);
    bool DuplicateArchiveFileExists() const { return m_DuplicateArchiveFileExists; }
    void setDuplicateArchiveFileExists(bool bDuplicateExists)
    {
        m_DuplicateArchiveFileExists = bDuplicateExists;
    }
    const QString &SourceFilename() const { return m_SourceFilename; }
    void setSourceFilename(const QString &Filename);
    QString SourcePath() const;
    bool IsExcluded() const { return m_IsExcluded; }
    void setIsExcluded(bool bIsExcluded) { m_IsExcluded = bIsExcluded; }
    Q_INVOKABLE QString ToString() const;

    // The archive name without a copy of its text.
    QStringView ArchiveNameView() const
    {
        return m_NameStart < 0 ? QStringView(m_ArchiveFilename)
                               : QStringView(m_SourceFilename).sliced(m_NameStart);
    }

private:
    QString m_SourceFilename;
    // The archive name is nearly always the end of the source name: it is kept
    // as a position in that text then, and only otherwise as a text of its own.
    QString m_ArchiveFilename;
    qint32 m_NameStart = -1;
    bool m_IsExcluded = false;
    bool m_DuplicateArchiveFileExists = false;
};

} // namespace Brimble

Q_DECLARE_TYPEINFO(Brimble::ArchiveRecord, Q_RELOCATABLE_TYPE);

namespace Brimble {

// The record as a public class of the library, created by its class
// identifier and used by name at run time.
class ArchiveFile final : public QObject, public ArchiveRecord
{
    Q_OBJECT
    Q_PROPERTY(QString ArchiveFilename READ ArchiveFilename WRITE setArchiveFilename)
    Q_PROPERTY(bool DuplicateArchiveFileExists READ DuplicateArchiveFileExists WRITE
                   setDuplicateArchiveFileExists)
    Q_PROPERTY(QString SourceFilename READ SourceFilename WRITE setSourceFilename)
    Q_PROPERTY(QString SourcePath READ SourcePath)
    Q_PROPERTY(bool IsExcluded READ IsExcluded WRITE setIsExcluded)
public:
    explicit ArchiveFile(QObject *parent = nullptr)
        : QObject(parent)
    {
    }
    Q_INVOKABLE QString ToString() const { return ArchiveRecord::ToString(); }
};

// A text compared and hashed without regard to letter case, with no
// case-folded copy: a key that views the text of a record.
struct CaseBlindKey
{
    QStringView text;
    friend bool operator==(CaseBlindKey a, CaseBlindKey b)
    {
        return a.text.compare(b.text, Qt::CaseInsensitive) == 0;
    }
};
size_t qHash(CaseBlindKey key, size_t seed = 0) noexcept;

// The archiver's records in preview order, found by SourceFilename. A record's
// SourceFilename does not change while it is in the collection (the index
// keeps its hash and compares its text), except through dropTexts. A large
// web folder has a record per file: they are kept in blocks (never moved once
// added) and indexed by position.
class ArchiveFileCollection
{
public:
    // Appends the record; false (and nothing changes) when a record has that
    // SourceFilename already, exactly.
    bool add(ArchiveRecord record);
    // The position of the record of that source file name exactly, or -1.
    qsizetype indexOf(QStringView source) const;
    // The record of that source file name exactly, or nullptr.
    const ArchiveRecord *find(QStringView source) const;
    // The first record whose source file name equals this one without regard
    // to case, or nullptr.
    const ArchiveRecord *findAnyCase(QStringView source) const;

    // Empties the record's names, keeping its flags: it is found no more.
    void dropTexts(qsizetype position);

    qsizetype count() const { return qsizetype(m_Records.size()); }
    ArchiveRecord &at(qsizetype position) { return m_Records[size_t(position)]; }
    const ArchiveRecord &at(qsizetype position) const { return m_Records[size_t(position)]; }
    auto begin() { return m_Records.begin(); }
    auto end() { return m_Records.end(); }
    auto begin() const { return m_Records.cbegin(); }
    auto end() const { return m_Records.cend(); }

private:
    // The index: open addressing over the records without regard to case,
    // each slot a record's position + 1 (0: free) and its key's hash.
    struct Slot
    {
        quint32 record = 0;
        quint32 hash = 0;
    };
    // The slot of the first record of that key, or the free slot it would take.
    size_t slotOf(QStringView source, quint32 hash) const;
    // The position of the first record of that key without regard to case, or -1.
    qsizetype firstAnyCase(QStringView source) const;
    void grow();

    std::deque<ArchiveRecord> m_Records;
    std::vector<Slot> m_Slots;
    // Files whose names differ from a recorded one only in letter case: rare,
    // files of their own on a file system that tells case apart.
    QHash<QString, qint32> m_CaseVariants;
};

} // namespace Brimble
