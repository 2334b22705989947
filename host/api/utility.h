#pragma once

#include "hostapi_global.h"

#include <QIcon>
#include <QObject>
#include <QString>

namespace Corvane::Host {

// The host's shared utility object (class "Corvane.Utility").
class CORVANE_HOSTAPI_EXPORT IUtility : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~IUtility() override;

    // Whether a file of that name exists (names compared without regard to case).
    Q_INVOKABLE virtual bool FileExists(const QString &path) const = 0;
    // The folder that holds the file, without a trailing separator.
    Q_INVOKABLE virtual QString ParentFolder(const QString &path) const = 0;
    // The folder and the name joined by exactly one separator.
    Q_INVOKABLE virtual QString CombinePath(const QString &folder, const QString &name) const = 0;
    // The icon resource `name` of the loaded module `module` (the module's file
    // path, as Platform::modulePath gives it) at width x height pixels. A
    // module's icon resources are the Qt resources ":/modules/<module
    // name>/icons/<name>.png", ".svg" or ".xpm", where the module name is the
    // file name without its library suffix and, for a library, its "lib"
    // prefix (libcorvane-brimble.so -> corvane-brimble). Error 5 when there is none.
    Q_INVOKABLE virtual QIcon LoadIconResource(const QString &module, const QString &name,
                                               int width, int height) const = 0;
};

// The host's file-open dialog (class "Corvane.FileOpenDialog"), a new one per use.
class CORVANE_HOSTAPI_EXPORT IFileOpenDialog : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Filter READ Filter WRITE setFilter)
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)
public:
    using QObject::QObject;
    ~IFileOpenDialog() override;

    virtual QString Filter() const = 0;
    virtual void setFilter(const QString &filter) = 0;
    virtual QString FileName() const = 0;
    virtual void setFileName(const QString &fileName) = 0;
    // Shows the dialog; 1 when the user chose a file (FileName then holds it), 0 otherwise.
    Q_INVOKABLE virtual int Show() = 0;
};

// The host's translator (class "Corvane.Translator").
class CORVANE_HOSTAPI_EXPORT ITranslator : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ITranslator() override;

    // Takes the dictionaries of a folder (files "<Dictionary>_<language>.qm").
    Q_INVOKABLE virtual void LoadFolder(const QString &folder) = 0;
    Q_INVOKABLE virtual void SelectDictionary(const QString &dictionary,
                                              const QString &language) = 0;
    // The text of the key in the selected dictionary; error 5 for an unknown key
    // or when no dictionary is selected.
    Q_INVOKABLE virtual QString Lookup(const QString &key) const = 0;
};

// Class identifiers of the host's creatable classes.
namespace ClassId {
inline constexpr char Utility[] = "Corvane.Utility";
inline constexpr char FileOpenDialog[] = "Corvane.FileOpenDialog";
inline constexpr char Translator[] = "Corvane.Translator";
} // namespace ClassId

} // namespace Corvane::Host
