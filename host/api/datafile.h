#pragma once

#include "hostapi_global.h"

#include <QObject>
#include <QString>
#include <QVariant>

namespace Corvane::Host {

class IDatabase;

// The data engine's stored file of a database (class "Dravo.File"). The add-in
// uses the database's action pad file: Open(database, ActionPadFile, ForUpdate, null).
// Changes made after Open become permanent only with Save, in one transaction;
// Close (or releasing the object) without Save changes nothing.
class CORVANE_HOSTAPI_EXPORT IDravoFile : public QObject
{
    Q_OBJECT
public:
    static constexpr qint32 ActionPadFile = 123; // which file: the action pad archive
    static constexpr qint32 ForUpdate = 3;       // open for changes

    using QObject::QObject;
    ~IDravoFile() override;

    Q_INVOKABLE virtual void Open(Corvane::Host::IDatabase *database, qint32 fileKind,
                                  qint32 openMode, QObject *reserved) = 0;
    // An empty or null value removes the attribute (with Save).
    Q_INVOKABLE virtual void SetAttribute(const QString &name, const QVariant &value) = 0;
    Q_INVOKABLE virtual void LoadFromFile(const QString &path) = 0;
    Q_INVOKABLE virtual void Save() = 0;
    Q_INVOKABLE virtual void Close() = 0;
};

namespace ClassId {
inline constexpr char DravoFile[] = "Dravo.File";
inline constexpr char DataUpdate[] = "Norrick.Data.Components.Wrapper.DataUpdate";
} // namespace ClassId

} // namespace Corvane::Host
