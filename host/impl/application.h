#pragma once

#include "host_global.h"

#include "host/api/application.h"

#include <QPointer>

#include <memory>

namespace Corvane::Host {

class Database;
class UnattendedMode;

namespace Internal {
class ConfigurationContext;
}

// The Corvane administration tool's application object: what an add-in is
// handed at connection. It holds the open database and answers message boxes,
// interactively or, in unattended mode, at once with their default buttons.
class CORVANE_HOST_EXPORT Application final : public IApplication
{
    Q_OBJECT
public:
    explicit Application(QObject *parent = nullptr);
    ~Application() override;
    Q_DISABLE_COPY_MOVE(Application)

    // Shown in the main window's status bar; also on standard error when the
    // environment variable CORVANE_VERBOSE is set to anything but 0.
    void SplashMessage(const QString &message) override;
    QString ApplicationTitle() const override;
    // The language set with setLanguage, else CORVANE_LANGUAGE, else the two
    // letters of the system locale ("en" for the C locale).
    QString Language() const override;
    IDatabase *ActiveDatabase() override;
    IConfigurationContext *ConfigurationContext() override;
    int MousePointer() const override { return m_pointer; }
    // 0 restores the normal pointer, 11 shows the hourglass; the override
    // cursor is set once and restored once, however often the code is repeated.
    void setMousePointer(int pointer) override;
    std::shared_ptr<QObject> CreateObject(const QString &classId) override;
    // The database's web folder with a trailing separator; empty when no
    // database is open or none is set.
    QString WebFolder() const override;
    int MessageBox(const QString &prompt, int style, const QString &title = {},
                   const QString &helpFile = {}, const QString &helpContext = {},
                   const QString &reserved1 = {}, const QString &reserved2 = {}) override;

    // Opens the database (see Database::open for errors); a database open
    // before is closed.
    void openDatabase(const QString &location);
    void setDatabase(std::unique_ptr<Database> database);
    void closeDatabase();
    Database *database() const { return m_database.get(); }

    void setLanguage(const QString &language) { m_language = language; }

    // Switches the unattended mode on or off for the whole application (see
    // UnattendedMode). Needs a QCoreApplication. A mode switched on here ends
    // with this object at the latest.
    void setUnattended(bool on);
    UnattendedMode *unattendedMode() const;

    static QString title();

signals:
    void splashMessageShown(const QString &message);

private:
    std::unique_ptr<Database> m_database;
    std::unique_ptr<Internal::ConfigurationContext> m_context;
    QString m_language;
    QPointer<UnattendedMode> m_unattended;
    int m_pointer = MousePointerCode::Default;
    bool m_verbose = false;
};

} // namespace Corvane::Host
