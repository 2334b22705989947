#pragma once

#include "platform/keyedcollection.h"

#include <QObject>
#include <QString>

#include <memory>

namespace Corvane::Host {
class IDatabase;
class ITable;
} // namespace Corvane::Host

namespace Brimble {

// The record of one action pad assignment (a table's, the database's or the
// overview's) while the editor page is open: where it stood, what the user
// chose instead, the name publishing gave it, and whether it must be written back.
class actionPad final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool IsCurrentFileAbsolute READ IsCurrentFileAbsolute)
    Q_PROPERTY(QString CurrentFileName READ CurrentFileName)
    Q_PROPERTY(QString CurrentDisplayFileName READ CurrentDisplayFileName)
    Q_PROPERTY(QString DisplayName READ DisplayName)
    Q_PROPERTY(QString key READ key)
    Q_PROPERTY(QString Filename READ Filename WRITE setFilename)
    Q_PROPERTY(bool IsDirty READ IsDirty)
    Q_PROPERTY(bool IsValidFile READ IsValidFile)
    Q_PROPERTY(QString PublishedFileName READ PublishedFileName WRITE setPublishedFileName)
    Q_PROPERTY(QString Source READ Source WRITE setSource)
    Q_PROPERTY(qint32 TableId READ TableId WRITE setTableId)
public:
    static inline const QString DatabaseSource = QStringLiteral("__database__");
    static inline const QString OverviewSource = QStringLiteral("__overview__");

    explicit actionPad(QObject *parent = nullptr);
    ~actionPad() override;

    bool IsCurrentFileAbsolute() const;
    QString CurrentFileName() const;
    QString CurrentDisplayFileName() const;
    // Accepts a database object and refreshes the table; lookups go through GetDatabase().
    void setDatabaseWrapper(Corvane::Host::IDatabase *database);
    // The localised name of the database's or overview's action pad, the
    // table's local name ("[" "]" around it when its idtable is below 1), or Source.
    QString DisplayName() const;
    // "s-database", "s-overview", "t-" + the table's idtable, or "t-" + Source.
    QString key() const;
    QString Filename() const;
    void setFilename(const QString &filename);
    bool IsDirty() const;
    // True for no location and for a web address; else whether the file exists.
    bool IsValidFile() const;
    // The user's choice: ignored when it is the current location (or its display
    // name); a name that exists nowhere is taken relative to the action pad folder.
    void setNewFilename(const QString &location);
    QString NewFilename() const;
    QString PublishedFileName() const;
    void setPublishedFileName(const QString &name);
    QString Source() const;
    void setSource(const QString &source);
    qint32 TableId() const;
    void setTableId(qint32 id);
    Q_INVOKABLE QString ToString() const;
    // Writes a dirty record back: the published name, else the chosen location
    // (relative to the action pad folder where it lies inside it); the database's
    // and overview's records also set their attribute of the action pad file.
    Q_INVOKABLE void Update();
    // Writes the record back after a publish: as Update, except that the
    // database's and the overview's records always write their attribute,
    // the published name or, when the archive holds no page of theirs, none
    // (the attribute is removed): it never keeps a name of an earlier publish.
    // The attribute is AttributeName(), the value PublishedFileName().
    Q_INVOKABLE void UpdatePublished();
    // The attribute of the action pad file that Update and UpdatePublished
    // write (empty for a table's record).
    QString AttributeName() const;

private:
    // The name Update writes for a dirty record.
    QString UpdatedName() const;
    void RefreshTable();
    bool IsInActionPadFolder() const;

    QString m_Filename;
    QString m_NewFilename;
    QString m_PublishedFileName;
    bool m_IsDirty = false;
    QString m_Source;
    qint32 m_TableId = 0;
    std::shared_ptr<Corvane::Host::ITable> m_table;
};

// The page's assignments: keyed without regard to case, in insertion order.
using ActionPadCollection = Corvane::Platform::KeyedCollection<std::shared_ptr<actionPad>>;

} // namespace Brimble
