#include "fakehost.h"

#include "platform/componentregistry.h"
#include "platform/eventstatus.h"
#include "platform/paths.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

using Corvane::Platform::ComponentRegistry;
using Corvane::Platform::raiseError;
namespace ErrorNumber = Corvane::Platform::ErrorNumber;

namespace FakeHost {

namespace {

const QString kSource = QStringLiteral("FakeHost");

QString valueText(const QVariant &value)
{
    return value.toString();
}

// ---------------------------------------------------------------- settings tree

// The whole tree: folded node path -> folded value name -> value.
struct SettingsStore
{
    QHash<QString, QHash<QString, QVariant>> values;
    CallLog *log = nullptr; // null once the database is gone
};

QString normalisePath(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    return parts.join(QLatin1Char('\\'));
}

QString fold(const QString &text)
{
    return text.toCaseFolded();
}

class FakeSettingsNode final : public Corvane::Host::ISettingsNode
{
public:
    FakeSettingsNode(std::shared_ptr<SettingsStore> store, QString path)
        : m_store(std::move(store))
        , m_path(std::move(path))
    {
    }

    std::shared_ptr<ISettingsNode> Node(const QString &path) override
    {
        const QString child = normalisePath(path);
        if (child.isEmpty())
            return std::make_shared<FakeSettingsNode>(m_store, m_path);
        return std::make_shared<FakeSettingsNode>(
            m_store, m_path.isEmpty() ? child : m_path + QLatin1Char('\\') + child);
    }

    QVariant Value(const QString &name) override { return GetValue(name, QString()); }

    QVariant GetValue(const QString &name, const QVariant &defaultValue) override
    {
        const auto node = m_store->values.constFind(fold(m_path));
        if (node == m_store->values.cend())
            return defaultValue;
        return node->value(fold(name), defaultValue);
    }

    void SetValue(const QString &name, const QVariant &value) override
    {
        if (m_store->log)
            m_store->log->lines.append(
                QStringLiteral("Settings.SetValue %1|%2=%3").arg(m_path, name, valueText(value)));
        m_store->values[fold(m_path)].insert(fold(name), value);
    }

    QString Path() const override { return m_path; }

private:
    std::shared_ptr<SettingsStore> m_store;
    QString m_path;
};

// ---------------------------------------------------------------- tables

class Attribute final : public Corvane::Host::IAttribute
{
public:
    explicit Attribute(QVariant value)
        : m_value(std::move(value))
    {
    }
    QVariant Value() const override { return m_value; }

private:
    QVariant m_value;
};

class Attributes final : public Corvane::Host::IAttributes
{
public:
    explicit Attributes(const Table &table)
        : m_table(table)
    {
    }

    std::shared_ptr<Corvane::Host::IAttribute> Item(const QString &name) override
    {
        if (name.compare(QLatin1String("idtable"), Qt::CaseInsensitive) == 0)
            return std::make_shared<Attribute>(m_table.idTable.isValid() ? m_table.idTable
                                                                         : QVariant(m_table.id));
        if (name.compare(QLatin1String("localname"), Qt::CaseInsensitive) == 0)
            return std::make_shared<Attribute>(m_table.localName);
        raiseError(ErrorNumber::InvalidProcedureCall, kSource,
                   QStringLiteral("the table %1 has no attribute \"%2\"").arg(m_table.name, name));
    }

private:
    Table m_table;
};

class FakeTable final : public Corvane::Host::ITable
{
public:
    explicit FakeTable(Table table)
        : m_table(std::move(table))
    {
    }
    QString Name() const override { return m_table.name; }
    QString FallbackName() const override { return m_table.fallbackName; }
    qint32 Id() const override { return m_table.id; }
    QString InspectorName() const override { return m_table.inspectorName; }
    std::shared_ptr<Corvane::Host::IAttributes> Attributes() override
    {
        return std::make_shared<FakeHost::Attributes>(m_table);
    }

private:
    Table m_table;
};

class FakeTables final : public Corvane::Host::ITables
{
public:
    QList<Table> tables; // kept in id order

    int Count() const override { return static_cast<int>(tables.size()); }

    std::shared_ptr<Corvane::Host::ITable> At(int position) override
    {
        if (position < 0 || position >= tables.size())
            raiseError(ErrorNumber::SubscriptOutOfRange, kSource,
                       QStringLiteral("table position %1 of %2").arg(position).arg(tables.size()));
        return std::make_shared<FakeTable>(tables.at(position));
    }

    std::shared_ptr<Corvane::Host::ITable> Item(const QVariant &index, int lookup) override
    {
        for (const Table &table : std::as_const(tables)) {
            const bool found = lookup == ById
                                   ? table.id == index.toInt()
                                   : table.name.compare(index.toString(), Qt::CaseInsensitive) == 0;
            if (found)
                return std::make_shared<FakeTable>(table);
        }
        return nullptr;
    }
};

// ---------------------------------------------------------------- creatable classes

Host *requireHost(const Host::Token &token, const char *what)
{
    if (!token || !*token)
        raiseError(ErrorNumber::InvalidProcedureCall, kSource,
                   QStringLiteral("%1 was used after its test host was destroyed")
                       .arg(QLatin1String(what)));
    return *token;
}

// The host's utility object: real file checks, no state.
class Utility final : public Corvane::Host::IUtility
{
    Q_OBJECT
public:
    bool FileExists(const QString &path) const override
    {
        return Corvane::Platform::Paths::fileExists(path);
    }

    QString ParentFolder(const QString &path) const override
    {
        const QChar sep = Corvane::Platform::Paths::separator();
        const qsizetype last = path.lastIndexOf(sep);
        if (last < 0)
            return {};
        const int root = Corvane::Platform::Paths::rootLength(path);
        return last < root ? path.left(root) : path.left(last);
    }

    QString CombinePath(const QString &folder, const QString &name) const override
    {
        const QChar sep = Corvane::Platform::Paths::separator();
        if (folder.isEmpty())
            return name;
        QString joined = folder;
        if (!joined.endsWith(sep))
            joined += sep;
        return joined + (name.startsWith(sep) ? name.mid(1) : name);
    }

    QIcon LoadIconResource(const QString &module, const QString &name, int width,
                           int height) const override
    {
        // A module's resources are named after its file without "lib" and suffix.
        QString moduleName = QFileInfo(module).baseName();
        if (moduleName.startsWith(QLatin1String("lib")))
            moduleName.remove(0, 3);
        const QString base = QStringLiteral(":/modules/%1/icons/%2").arg(moduleName, name);
        for (const char *extension : {".svg", ".png", ".xpm"}) {
            const QString file = base + QLatin1String(extension);
            if (QFile::exists(file)) {
                QIcon icon;
                icon.addFile(file, QSize(width, height));
                return icon;
            }
        }
        raiseError(ErrorNumber::InvalidProcedureCall, kSource,
                   QStringLiteral("the module %1 has no icon resource \"%2\"").arg(module, name));
    }
};

class Translator final : public Corvane::Host::ITranslator
{
    Q_OBJECT
public:
    explicit Translator(Host::Token token)
        : m_token(std::move(token))
    {
    }

    void LoadFolder(const QString &folder) override
    {
        Host *host = requireHost(m_token, "Translator");
        host->log.lines.append(QStringLiteral("Translator.LoadFolder ") + folder);
    }

    void SelectDictionary(const QString &dictionary, const QString &language) override
    {
        Host *host = requireHost(m_token, "Translator");
        host->log.lines.append(
            QStringLiteral("Translator.SelectDictionary %1 %2").arg(dictionary, language));
        m_dictionary = dictionary;
    }

    QString Lookup(const QString &key) const override
    {
        const Host *host = requireHost(m_token, "Translator");
        if (m_dictionary.isEmpty())
            raiseError(ErrorNumber::InvalidProcedureCall, kSource,
                       QStringLiteral("no dictionary selected to look up \"%1\"").arg(key));
        const auto it = host->translations.constFind(key);
        if (it == host->translations.cend())
            raiseError(
                ErrorNumber::InvalidProcedureCall, kSource,
                QStringLiteral("the dictionary %1 has no text \"%2\"").arg(m_dictionary, key));
        return *it;
    }

private:
    Host::Token m_token;
    QString m_dictionary;
};

class FileOpenDialog final : public Corvane::Host::IFileOpenDialog
{
    Q_OBJECT
public:
    explicit FileOpenDialog(Host::Token token)
        : m_token(std::move(token))
    {
    }

    QString Filter() const override { return m_filter; }
    void setFilter(const QString &filter) override { m_filter = filter; }
    QString FileName() const override { return m_fileName; }
    void setFileName(const QString &fileName) override { m_fileName = fileName; }

    int Show() override
    {
        Host *host = requireHost(m_token, "FileOpenDialog");
        host->lastDialogFilter = m_filter;
        host->lastDialogFileName = m_fileName;
        const int result = host->fileDialogResult;
        host->log.lines.append(QStringLiteral("FileOpenDialog.Show filter=%1 file=%2 -> %3")
                                   .arg(m_filter, m_fileName)
                                   .arg(result));
        if (result == 1)
            m_fileName = host->fileDialogChoice;
        return result;
    }

private:
    Host::Token m_token;
    QString m_filter;
    QString m_fileName;
};

// "Dravo.File": changes wait for Save and land in the host's database fields.
class DravoFile final : public Corvane::Host::IDravoFile
{
    Q_OBJECT
public:
    explicit DravoFile(Host::Token token)
        : m_token(std::move(token))
    {
    }

    void Open(Corvane::Host::IDatabase *database, qint32 fileKind, qint32 openMode,
              QObject *reserved) override
    {
        Host *host = requireHost(m_token, "Dravo.File");
        host->log.lines.append(QStringLiteral("Dravo.File.Open %1 %2%3")
                                   .arg(fileKind)
                                   .arg(openMode)
                                   .arg(reserved ? QStringLiteral(" reserved") : QString()));
        if (!database)
            raiseError(ErrorNumber::ObjectRequired, kSource,
                       QStringLiteral("Dravo.File.Open needs a database"));
        if (database != &host->database)
            raiseError(ErrorNumber::InvalidProcedureCall, kSource,
                       QStringLiteral("Dravo.File.Open was given another host's database"));
        m_open = true;
    }

    void SetAttribute(const QString &name, const QVariant &value) override
    {
        Host *host = requireOpen("SetAttribute");
        host->log.lines.append(
            QStringLiteral("Dravo.File.SetAttribute %1=%2").arg(name, valueText(value)));
        m_attributes.insert(name, valueText(value));
    }

    void LoadFromFile(const QString &path) override
    {
        Host *host = requireOpen("LoadFromFile");
        host->log.lines.append(QStringLiteral("Dravo.File.LoadFromFile ") + path);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            raiseError(ErrorNumber::FileNotFound, kSource, path);
        m_content = file.readAll();
        m_hasContent = true;
    }

    void Save() override
    {
        Host *host = requireOpen("Save");
        host->log.lines.append(QStringLiteral("Dravo.File.Save"));
        if (const int number = host->database.failNextSave) {
            host->database.failNextSave = 0;
            raiseError(number, kSource,
                       QStringLiteral("Dravo.File.Save failed (as the test asked)"));
        }
        for (auto it = m_attributes.cbegin(); it != m_attributes.cend(); ++it) {
            if (it.value().isEmpty()) // as the data engine: an empty value removes it
                host->database.fileAttributes.remove(it.key());
            else
                host->database.fileAttributes.insert(it.key(), it.value());
        }
        if (m_hasContent) {
            host->database.storedFile = m_content;
            host->database.hasStoredFile = true;
        }
        m_attributes.clear();
        m_hasContent = false;
    }

    void Close() override
    {
        Host *host = requireHost(m_token, "Dravo.File");
        host->log.lines.append(QStringLiteral("Dravo.File.Close"));
        m_open = false;
        m_attributes.clear();
        m_hasContent = false;
    }

private:
    Host *requireOpen(const char *operation)
    {
        Host *host = requireHost(m_token, "Dravo.File");
        if (!m_open)
            raiseError(ErrorNumber::InvalidProcedureCall, kSource,
                       QStringLiteral("Dravo.File.%1 before Open").arg(QLatin1String(operation)));
        return host;
    }

    Host::Token m_token;
    bool m_open = false;
    QHash<QString, QString> m_attributes;
    QByteArray m_content;
    bool m_hasContent = false;
};

// "Norrick.Data.Components.Wrapper.DataUpdate", reached by name only.
class DataUpdate final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Server READ Server WRITE setServer)
public:
    explicit DataUpdate(Host::Token token)
        : m_token(std::move(token))
    {
    }

    QString Server() const { return m_server; }
    void setServer(const QString &server)
    {
        Host *host = requireHost(m_token, "DataUpdate");
        host->log.lines.append(QStringLiteral("DataUpdate.Server ") + server);
        m_server = server;
    }

    Q_INVOKABLE void ExecuteProcedure(const QString &command, const QString &database, bool flag)
    {
        Host *host = requireHost(m_token, "DataUpdate");
        host->log.lines.append(
            QStringLiteral("DataUpdate.ExecuteProcedure %1 database=%2 flag=%3")
                .arg(command, database, flag ? QStringLiteral("true") : QStringLiteral("false")));
        ++host->database.cacheRefreshes;
    }

private:
    Host::Token m_token;
    QString m_server;
};

const char *const kClassIds[] = {
    Corvane::Host::ClassId::Utility,        Corvane::Host::ClassId::Translator,
    Corvane::Host::ClassId::FileOpenDialog, Corvane::Host::ClassId::DravoFile,
    Corvane::Host::ClassId::DataUpdate,
};

} // namespace

// ---------------------------------------------------------------- CallLog

QStringList CallLog::matching(const QString &prefix) const
{
    QStringList found;
    for (const QString &line : lines)
        if (line.startsWith(prefix))
            found.append(line);
    return found;
}

// ---------------------------------------------------------------- Database

struct Database::Private
{
    std::shared_ptr<SettingsStore> settings = std::make_shared<SettingsStore>();
    FakeTables tables;
    // What the outermost open transaction started from.
    struct Saved
    {
        QByteArray storedFile;
        bool hasStoredFile = false;
        QHash<QString, QString> fileAttributes;
    } saved;
    int depth = 0;
};

Database::Database(CallLog &log)
    : d(std::make_unique<Private>())
{
    d->settings->log = &log;
}

Database::~Database()
{
    d->settings->log = nullptr;
}

Corvane::Host::ITables *Database::Tables()
{
    return &d->tables;
}

std::shared_ptr<Corvane::Host::ISettingsNode> Database::Settings()
{
    return std::make_shared<FakeSettingsNode>(d->settings, QString());
}

void Database::BeginTrans()
{
    d->settings->log->lines.append(QStringLiteral("Database.BeginTrans"));
    if (d->depth++ == 0)
        d->saved = {storedFile, hasStoredFile, fileAttributes};
}

void Database::CommitTrans()
{
    d->settings->log->lines.append(QStringLiteral("Database.CommitTrans"));
    if (d->depth == 0)
        throw Corvane::Platform::RuntimeError(5, QStringLiteral("FakeDatabase"),
                                              QStringLiteral("CommitTrans without BeginTrans"));
    --d->depth;
}

void Database::Rollback()
{
    d->settings->log->lines.append(QStringLiteral("Database.Rollback"));
    if (d->depth == 0)
        throw Corvane::Platform::RuntimeError(5, QStringLiteral("FakeDatabase"),
                                              QStringLiteral("Rollback without BeginTrans"));
    d->depth = 0;
    storedFile = d->saved.storedFile;
    hasStoredFile = d->saved.hasStoredFile;
    fileAttributes = d->saved.fileAttributes;
}

void Database::addTable(const Table &table)
{
    auto &tables = d->tables.tables;
    const auto at = std::find_if(tables.begin(), tables.end(),
                                 [&](const FakeHost::Table &t) { return t.id > table.id; });
    tables.insert(at, table);
}

void Database::setSetting(const QString &path, const QString &name, const QVariant &value)
{
    d->settings->values[fold(normalisePath(path))].insert(fold(name), value);
}

QVariant Database::setting(const QString &path, const QString &name) const
{
    return d->settings->values.value(fold(normalisePath(path))).value(fold(name), QString());
}

// ---------------------------------------------------------------- Application

struct Application::Context final : Corvane::Host::IConfigurationContext
{
    explicit Context(const Application &application)
        : m_application(application)
    {
    }
    bool AllowsConfiguration() const override { return m_application.allowsConfiguration; }
    const Application &m_application;
};

Application::Application(CallLog &log, QObject *parent)
    : IApplication(parent)
    , m_log(log)
    , m_context(std::make_unique<Context>(*this))
{
}

Application::~Application() = default;

void Application::SplashMessage(const QString &message)
{
    m_log.lines.append(QStringLiteral("SplashMessage ") + message);
}

Corvane::Host::IConfigurationContext *Application::ConfigurationContext()
{
    return m_context.get();
}

void Application::setMousePointer(int pointer)
{
    m_log.lines.append(QStringLiteral("MousePointer %1").arg(pointer));
    m_pointer = pointer;
}

std::shared_ptr<QObject> Application::CreateObject(const QString &classId)
{
    m_log.lines.append(QStringLiteral("CreateObject ") + classId);
    return std::shared_ptr<QObject>(ComponentRegistry::instance().create(classId).release());
}

int Application::defaultAnswer(int style)
{
    using namespace Corvane::Host::MessageBoxCode;
    // Answers of each button set, in button order.
    static const QList<QList<int>> answers = {
        {AnswerOk},                          // 0 OK
        {AnswerOk, AnswerCancel},            // 1 OK, Cancel
        {3, 4, 5},                           // 2 Abort, Retry, Ignore
        {AnswerYes, AnswerNo, AnswerCancel}, // 3 Yes, No, Cancel
        {AnswerYes, AnswerNo},               // 4 Yes, No
        {4, AnswerCancel},                   // 5 Retry, Cancel
    };
    const int buttons = style & ButtonMask;
    const QList<int> &set = answers.value(buttons < answers.size() ? buttons : 0);
    const qsizetype position = (style & DefaultButtonMask) >> 8;
    return position < set.size() ? set.at(position) : set.first();
}

int Application::MessageBox(const QString &prompt, int style, const QString &, const QString &,
                            const QString &, const QString &, const QString &)
{
    int answer = 0;
    if (!messageBoxAnswers.empty()) {
        answer = messageBoxAnswers.front();
        messageBoxAnswers.pop_front();
    } else {
        answer = defaultAnswer(style);
    }
    messages.append({prompt, style});
    m_log.lines.append(
        QStringLiteral("MessageBox style=%1 prompt=%2 -> %3").arg(style).arg(prompt).arg(answer));
    return answer;
}

void Application::raiseBeforeConfigure(Corvane::Host::IPages *pages, bool *cancel)
{
    Corvane::Platform::EventStatus status;
    emit BeforeConfigure(pages, cancel, &status);
    status.rethrow();
}

// ---------------------------------------------------------------- Pages

Pages::~Pages()
{
    qDeleteAll(pages);
}

void Pages::Add(QObject *page)
{
    if (!page)
        raiseError(ErrorNumber::ObjectRequired, kSource, QStringLiteral("Pages.Add needs a page"));
    pages.append(page);
}

// ---------------------------------------------------------------- Host

Host::Host()
    : m_self(std::make_shared<Host *>(this))
{
    application.database = &database;
    ComponentRegistry &registry = ComponentRegistry::instance();
    const Token token = m_self;
    registry.registerFactory(QLatin1String(Corvane::Host::ClassId::Utility),
                             [] { return new Utility; });
    registry.registerFactory(QLatin1String(Corvane::Host::ClassId::Translator),
                             [token] { return new Translator(token); });
    registry.registerFactory(QLatin1String(Corvane::Host::ClassId::FileOpenDialog),
                             [token] { return new FileOpenDialog(token); });
    registry.registerFactory(QLatin1String(Corvane::Host::ClassId::DravoFile),
                             [token] { return new DravoFile(token); });
    registry.registerFactory(QLatin1String(Corvane::Host::ClassId::DataUpdate),
                             [token] { return new DataUpdate(token); });
}

Host::~Host()
{
    *m_self = nullptr;
    for (const char *classId : kClassIds)
        ComponentRegistry::instance().unregisterFactory(QLatin1String(classId));
}

} // namespace FakeHost

#include "fakehost.moc"
