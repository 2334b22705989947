#pragma once

// A small host for the add-in's unit tests: it implements the host's object
// model in memory and records what the add-in calls. Construct one FakeHost per
// test (it registers the host's creatable classes - "Corvane.Utility",
// "Corvane.Translator", "Corvane.FileOpenDialog", "Dravo.File",
// "Norrick.Data.Components.Wrapper.DataUpdate" - as in-process factories, and
// removes them again when destroyed).

#include "host/api/application.h"
#include "host/api/database.h"
#include "host/api/datafile.h"
#include "host/api/settingsnode.h"
#include "host/api/table.h"
#include "host/api/utility.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <deque>
#include <memory>

namespace FakeHost {

// Everything the add-in did through the host, in order, as readable lines
// ("MessageBox style=36 prompt=...", "Dravo.File.Open 123 3", "MousePointer 11" ...).
// Lines written:
//   SplashMessage <text>                 CreateObject <class id>
//   MousePointer <code>                  MessageBox style=<n> prompt=<text> -> <answer>
//   Settings.SetValue <path>|<name>=<value>
//   Translator.LoadFolder <folder>       Translator.SelectDictionary <dictionary> <language>
//   FileOpenDialog.Show filter=<filter> file=<name> -> <result>
//   Dravo.File.Open <kind> <mode>        Dravo.File.SetAttribute <name>=<value>
//   Dravo.File.LoadFromFile <path>       Dravo.File.Save / Dravo.File.Close
//   DataUpdate.Server <name>
//   DataUpdate.ExecuteProcedure <command> database=<name> flag=<true|false>
struct CallLog
{
    QStringList lines;
    QStringList matching(const QString &prefix) const;
};

class SettingsNode;

struct Table
{
    qint32 id = 0;
    QString name, fallbackName, inspectorName, localName;
    QVariant idTable; // the "idtable" attribute (defaults to id when invalid)
};

class Database final : public Corvane::Host::IDatabase
{
public:
    explicit Database(CallLog &log);
    ~Database() override;
    Corvane::Host::ITables *Tables() override;
    std::shared_ptr<Corvane::Host::ISettingsNode> Settings() override;
    QString ServerName() const override { return serverName; }
    QString DatabaseName() const override { return databaseName; }
    // Real nesting transactions over the stored file and its attributes.
    void BeginTrans() override;
    void CommitTrans() override;
    void Rollback() override;

    void addTable(const Table &table);
    // Sets a value of the settings tree ("Inspectors\\Customers\\WebBar", "URL", ...).
    void setSetting(const QString &path, const QString &name, const QVariant &value);
    QVariant setting(const QString &path, const QString &name) const;

    QString serverName = QStringLiteral("fakeserver");
    QString databaseName = QStringLiteral("fakedb");
    // What Dravo.File saved: content bytes (from LoadFromFile) and attributes.
    QByteArray storedFile;
    bool hasStoredFile = false;
    QHash<QString, QString> fileAttributes;
    int cacheRefreshes = 0;
    // Make the next Dravo.File Save fail with this error number (0: don't).
    int failNextSave = 0;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

class Application final : public Corvane::Host::IApplication
{
    Q_OBJECT
public:
    explicit Application(CallLog &log, QObject *parent = nullptr);
    ~Application() override;

    void SplashMessage(const QString &message) override;
    QString ApplicationTitle() const override { return title; }
    QString Language() const override { return language; }
    Corvane::Host::IDatabase *ActiveDatabase() override { return database; }
    Corvane::Host::IConfigurationContext *ConfigurationContext() override;
    int MousePointer() const override { return m_pointer; }
    void setMousePointer(int pointer) override;
    std::shared_ptr<QObject> CreateObject(const QString &classId) override;
    QString WebFolder() const override { return webFolder; }
    int MessageBox(const QString &prompt, int style, const QString &title, const QString &helpFile,
                   const QString &helpContext, const QString &reserved1,
                   const QString &reserved2) override;

    // Raises BeforeConfigure as the configuration dialog would; rethrows a handler's failure.
    void raiseBeforeConfigure(Corvane::Host::IPages *pages, bool *cancel);
    // The default button's answer for a message box style: first button OK 1 / Yes 6 ...,
    // second (256) Cancel 2 / No 7 ..., third (512) Ignore 5 / Cancel 2.
    static int defaultAnswer(int style);

    QString title = QStringLiteral("Corvane Administration (test)");
    QString language = QStringLiteral("en");
    QString webFolder;                            // set by tests; ends with the separator
    Corvane::Host::IDatabase *database = nullptr; // Host points it at its database
    bool allowsConfiguration = true;
    // Answers for the next message boxes, in order; when empty, the default button's answer.
    std::deque<int> messageBoxAnswers;
    struct Message
    {
        QString prompt;
        int style;
    };
    QList<Message> messages;

private:
    CallLog &m_log;
    int m_pointer = 0;
    struct Context;
    std::unique_ptr<Context> m_context;
};

// The configuration dialog's page collection: owns the pages added.
class Pages final : public Corvane::Host::IPages
{
public:
    ~Pages() override;
    void Add(QObject *page) override;
    int Count() const override { return static_cast<int>(pages.size()); }
    QList<QObject *> pages;
};

// One test's host: log, database, application (connected to the database) and
// the registered classes. Objects created from the classes outlive the host
// safely: once it is gone they fail every call with error 5 (except the
// utility object, which checks real files and needs no host).
class Host final
{
public:
    Host();
    ~Host();
    Q_DISABLE_COPY_MOVE(Host)

    // What the created objects hold to reach this host; null once it is gone.
    using Token = std::shared_ptr<Host *>;

    CallLog log;
    Database database{log};
    Application application{log};

    // Texts the translator knows ("ActionPadEditor.Caption" -> "Action pads").
    // Unknown keys fail, as the host's translator does, and so does every
    // lookup before SelectDictionary. Empty by default.
    QHash<QString, QString> translations;
    // Answer of the next FileOpenDialog.Show (1 OK, 0 cancel) and the file it then holds.
    int fileDialogResult = 0;
    QString fileDialogChoice;
    // Filter and FileName the last dialog was shown with.
    QString lastDialogFilter, lastDialogFileName;

private:
    Token m_self;
};

} // namespace FakeHost
