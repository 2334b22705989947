#pragma once

// The real host for the add-in's tests, on a scratch SQLite database, behind a
// recorder of what the add-in asks of the application (it answers message boxes
// without a screen); everything else is the real host's.

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"
#include "dravo/servercache.h"
#include "dravo/settingstree.h"
#include "dravo/tablecatalog.h"
#include "host/api/application.h"
#include "host/impl/application.h"
#include "host/impl/database.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <deque>

namespace FakeHost {

// Lines "SplashMessage <text>", "MousePointer <code>", "CreateObject <class id>",
// "MessageBox style=<n> prompt=<text> -> <answer>", in order.
struct CallLog
{
    QStringList lines;
    QStringList matching(const QString &prefix) const
    {
        return lines.filter(QRegularExpression('^' + QRegularExpression::escape(prefix)));
    }
};

using Table = Corvane::Dravo::TableRecord;

// The open database, set up and read back through the data engine.
class Database final
{
public:
    explicit Database(Corvane::Host::Application &application);
    // Opens a new database in the SQLite file instead of the one open.
    void open(const QString &sqliteFile);
    void close() { m_application.closeDatabase(); }
    Corvane::Dravo::Engine &engine() { return m_application.database()->engine(); }

    void addTable(const Table &table);
    // A value of the settings tree ("Inspectors\\Customers\\WebBar", "URL"); invalid when missing.
    void setSetting(const QString &path, const QString &name, const QVariant &value)
    {
        Corvane::Dravo::SettingsTree(engine()).setValue(path, name, value);
    }
    QVariant setting(const QString &path, const QString &name)
    {
        return Corvane::Dravo::SettingsTree(engine()).value(path, name).value_or(QVariant());
    }
    void setWebFolder(const QString &folder) { engine().setWebFolder(folder); }

    // The stored action pad file, its attributes, the server cache's refreshes.
    QByteArray storedFile();
    QHash<QString, QString> fileAttributes()
    {
        return Corvane::Dravo::ActionPadStore(engine()).attributes();
    }
    qint64 cacheRefreshes() { return Corvane::Dravo::ServerCache(engine()).generation(); }
    // Makes the database refuse a table's inserts and updates when the condition
    // on NEW holds (an SQLite trigger).
    void refuseWrites(const QString &table, const QString &condition = QStringLiteral("1"));

private:
    Corvane::Host::Application &m_application;
    QTemporaryDir m_folder;
};

class Application final : public Corvane::Host::IApplication
{
    Q_OBJECT
public:
    Application(CallLog &log, Corvane::Host::Application &host);

    void SplashMessage(const QString &message) override;
    QString ApplicationTitle() const override { return m_host.ApplicationTitle(); }
    QString Language() const override { return m_host.Language(); }
    Corvane::Host::IDatabase *ActiveDatabase() override { return m_host.ActiveDatabase(); }
    Corvane::Host::IConfigurationContext *ConfigurationContext() override;
    int MousePointer() const override { return m_host.MousePointer(); }
    void setMousePointer(int pointer) override;
    std::shared_ptr<QObject> CreateObject(const QString &classId) override;
    QString WebFolder() const override { return m_host.WebFolder(); }
    // Answered from messageBoxAnswers, else with the default button.
    int MessageBox(const QString &prompt, int style, const QString &title, const QString &helpFile,
                   const QString &helpContext, const QString &reserved1,
                   const QString &reserved2) override;

    // As the configuration dialog does; rethrows a handler's failure.
    void raiseBeforeConfigure(Corvane::Host::IPages *pages, bool *cancel);

    std::deque<int> messageBoxAnswers;
    bool allowsConfiguration = true; // else the host's own answer

private:
    CallLog &m_log;
    Corvane::Host::Application &m_host;
};

// The configuration dialog's page collection: owns the pages added.
class Pages final : public Corvane::Host::IPages
{
public:
    ~Pages() override { qDeleteAll(pages); }
    void Add(QObject *page) override { pages.append(page); }
    int Count() const override { return static_cast<int>(pages.size()); }
    QList<QObject *> pages;
};

// One test's host. Its translator reads a dictionary that lrelease makes from
// `translations` ("Section.Key" -> text) at the first text; none when empty.
class Host final
{
public:
    Host();
    ~Host();
    Q_DISABLE_COPY_MOVE(Host)

    CallLog log;
    Corvane::Host::Application host;
    Database database{host};
    Application application{log, host};
    QHash<QString, QString> translations;

    QString dictionaryFolder();

private:
    QTemporaryDir m_dictionaries;
};

} // namespace FakeHost
