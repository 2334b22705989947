#pragma once

#include <QObject>
#include <QString>

namespace Brimble {

// The one place where the add-in writes into the database outside the host's
// object model. Keeps no state: every call creates its data engine components
// through the host's CreateObject, uses them and releases them. Failures go to
// the caller as they come.
class DravoWrapper final : public QObject
{
    Q_OBJECT
public:
    explicit DravoWrapper(QObject *parent = nullptr);
    ~DravoWrapper() override;
    Q_DISABLE_COPY_MOVE(DravoWrapper)

    // Sets a named attribute of the database's action pad file ("defaultactionpad" ...);
    // an empty value removes it.
    Q_INVOKABLE void SetFileAttribute(const QString &attributeName, const QString &attributeValue);
    // Replaces the contents of the database's action pad file with the file on disk.
    Q_INVOKABLE void UpdateActionPadFile(const QString &Filename);
    // Asks the database server to refresh its cached data.
    Q_INVOKABLE void RefreshCache();
    // Does nothing: there is no table-level attribute store.
    Q_INVOKABLE void SetTableAttribute(const QString &name, const QString &value);

    // The command that asks the server to refresh its cached data.
    static QString refreshCommand();
};

} // namespace Brimble
