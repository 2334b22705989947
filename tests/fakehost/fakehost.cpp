#include "fakehost.h"

#include "host/impl/hostclasses.h"
#include "host/impl/messageboxstyle.h"
#include "host/impl/translator.h"
#include "platform/componentregistry.h"
#include "platform/runtimeerror.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace FakeHost {

namespace {

Host *g_host = nullptr;

// The host's translator on the test's dictionary folder.
class TestTranslator final : public Corvane::Host::ITranslator
{
public:
    void LoadFolder(const QString &) override
    {
        m_translator.LoadFolder(g_host ? g_host->dictionaryFolder() : QString());
    }
    void SelectDictionary(const QString &dictionary, const QString &language) override
    {
        m_translator.SelectDictionary(dictionary, language);
    }
    QString Lookup(const QString &key) const override { return m_translator.Lookup(key); }

private:
    Corvane::Host::Translator m_translator;
};

} // namespace

Database::Database(Corvane::Host::Application &application)
    : m_application(application)
{
    open(m_folder.filePath(QStringLiteral("corvane.db")));
}

void Database::open(const QString &sqliteFile)
{
    m_application.closeDatabase();
    Corvane::Dravo::Engine::create(sqliteFile);
    m_application.openDatabase(sqliteFile);
}

void Database::addTable(const Table &table)
{
    Corvane::Dravo::TableCatalog(engine()).add(table);
    m_application.database()->reloadTables();
}

QByteArray Database::storedFile()
{
    Corvane::Dravo::ActionPadStore store(engine());
    QBuffer content;
    content.open(QIODevice::WriteOnly);
    if (store.hasContent())
        store.readContent(content);
    return content.data();
}

void Database::refuseWrites(const QString &table, const QString &condition)
{
    for (const char *change : {"INSERT", "UPDATE"})
        engine().execute(QStringLiteral("CREATE TRIGGER refuse_%1_%2 BEFORE %2 ON %1 WHEN %3 "
                                        "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END")
                             .arg(table, QLatin1String(change), condition));
}

Application::Application(CallLog &log, Corvane::Host::Application &host)
    : m_log(log)
    , m_host(host)
{
}

void Application::SplashMessage(const QString &message)
{
    m_log.lines.append(QStringLiteral("SplashMessage ") + message);
    m_host.SplashMessage(message);
}

Corvane::Host::IConfigurationContext *Application::ConfigurationContext()
{
    struct Refusing final : Corvane::Host::IConfigurationContext
    {
        bool AllowsConfiguration() const override { return false; }
    };
    static Refusing refusing;
    return allowsConfiguration ? m_host.ConfigurationContext() : &refusing;
}

void Application::setMousePointer(int pointer)
{
    m_log.lines.append(QStringLiteral("MousePointer %1").arg(pointer));
    m_host.setMousePointer(pointer);
}

std::shared_ptr<QObject> Application::CreateObject(const QString &classId)
{
    m_log.lines.append(QStringLiteral("CreateObject ") + classId);
    return m_host.CreateObject(classId);
}

int Application::MessageBox(const QString &prompt, int style, const QString &, const QString &,
                            const QString &, const QString &, const QString &)
{
    int answer = Corvane::Host::MessageBoxStyle::defaultAnswer(style);
    if (!messageBoxAnswers.empty()) {
        answer = messageBoxAnswers.front();
        messageBoxAnswers.pop_front();
    }
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

Host::Host()
{
    host.setLanguage(QStringLiteral("en"));
    Corvane::Host::registerHostClasses();
    Corvane::Platform::ComponentRegistry::instance().registerFactory(
        QLatin1String(Corvane::Host::ClassId::Translator), [] { return new TestTranslator; });
    g_host = this;
}

Host::~Host()
{
    g_host = nullptr;
}

QString Host::dictionaryFolder()
{
    if (translations.isEmpty())
        return m_dictionaries.path(); // no dictionary: SelectDictionary fails
    const QString source = m_dictionaries.filePath(QStringLiteral("Brimble_en.ts"));
    QFile ts(source);
    if (!ts.open(QIODevice::WriteOnly))
        qFatal("cannot write the test dictionary %s", qPrintable(source));
    ts.write("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
             "<TS version=\"2.1\" language=\"en\"><context><name>Brimble</name>\n");
    for (auto text = translations.cbegin(); text != translations.cend(); ++text)
        ts.write(QStringLiteral("<message id=\"%1\"><source>%1</source>"
                                "<translation>%2</translation></message>\n")
                     .arg(text.key().toHtmlEscaped(), text.value().toHtmlEscaped())
                     .toUtf8());
    ts.write("</context></TS>\n");
    ts.close();
    const int exitCode = QProcess::execute(
        QStringLiteral(CORVANE_LRELEASE),
        {QStringLiteral("-idbased"), QStringLiteral("-silent"), source, QStringLiteral("-qm"),
         m_dictionaries.filePath(QStringLiteral("Brimble_en.qm"))});
    if (exitCode != 0)
        qFatal("lrelease failed on the test dictionary %s", qPrintable(source));
    return m_dictionaries.path();
}

} // namespace FakeHost
