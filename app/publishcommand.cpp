#include "publishcommand.h"

#include "dryrun.h"
#include "hostsession.h"
#include "invocation.h"
#include "statusprinter.h"

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"
#include "dravo/publishrecord.h"
#include "host/impl/configurationdialog.h"
#include "host/impl/database.h"
#include "platform/debugoutput.h"
#include "platform/runtimeerror.h"

#include <QApplication>
#include <QDir>
#include <QJsonDocument>
#include <QMetaMethod>
#include <QPushButton>
#include <QTextStream>

#include <cstdio>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace Corvane::Admin {

namespace {

const QString kSource = QStringLiteral("corvane-admin");
const QString kPublishButton = QStringLiteral("cmdPublishActionPads");
const QString kPublished = QStringLiteral("published");
// The page has said why: the archive is stored, the server cache was not refreshed.
const QString kNotRefreshed = QStringLiteral("published-not-refreshed");

// Exit codes of "publish" besides 0 (published) and 1 (nothing changed).
constexpr int kExitNotRefreshed = 3;

[[noreturn]] void fail(int number, const QString &message)
{
    throw Platform::RuntimeError(number, kSource, message);
}

QMetaMethod signalOf(const QObject *object, const char *signature)
{
    const QMetaObject *meta = object->metaObject();
    const int index = meta->indexOfSignal(QMetaObject::normalizedSignature(signature).constData());
    if (index < 0)
        fail(Platform::ErrorNumber::MemberNotFound,
             QStringLiteral("the publish page (%1) has no signal %2; the add-in is too old for "
                            "this command")
                 .arg(QString::fromLatin1(meta->className()), QString::fromLatin1(signature)));
    return meta->method(index);
}

QMetaMethod slotOf(const QObject *object, const char *signature)
{
    const QMetaObject *meta = object->metaObject();
    return meta->method(meta->indexOfSlot(QMetaObject::normalizedSignature(signature).constData()));
}

void printLine(FILE *stream, const QString &line)
{
    std::fprintf(stream, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stream);
}

// The page's analysis of a publish, held against what the database stores.
DryRunReport analysePublish(QWidget *page, Host::Database &database)
{
    QVariantMap plan;
    if (!QMetaObject::invokeMethod(page, "AnalyzePublish", Qt::DirectConnection,
                                   Q_RETURN_ARG(QVariantMap, plan)))
        fail(Platform::ErrorNumber::MemberNotFound,
             QStringLiteral("the publish page (%1) has no AnalyzePublish(); the add-in is too old "
                            "for --dry-run and --if-changed")
                 .arg(QString::fromLatin1(page->metaObject()->className())));
    if (plan.contains(QStringLiteral("error")))
        fail(Platform::ErrorNumber::InvalidProcedureCall,
             plan.value(QStringLiteral("error")).toString());

    Dravo::Engine &engine = database.engine();
    std::optional<Dravo::EntryListing> stored;
    QHash<QString, QString> attributes;
    engine.transaction(
        [&] {
            attributes = Dravo::ActionPadStore(engine).attributes();
            stored = Dravo::PublishRecord::storedEntries(engine);
        },
        Dravo::Engine::Access::Read);
    return DryRunReport(plan, stored, attributes);
}

} // namespace

PublishRunner::PublishRunner(QObject *parent)
    : QObject(parent)
    , m_status(std::make_unique<StatusPrinter>(stdout, StatusPrinter::isTerminal(stdout)))
{
}

PublishRunner::~PublishRunner() = default;

QWidget *PublishRunner::findPublishPage(const QList<QWidget *> &pages)
{
    for (QWidget *page : pages) {
        const QString className = QString::fromLatin1(page->metaObject()->className());
        if (page->objectName() == QLatin1String("ucActionPadEditor") ||
            className.endsWith(QLatin1String("ucActionPadEditor")))
            return page;
    }
    for (QWidget *page : pages) {
        if (page->findChild<QPushButton *>(kPublishButton))
            return page;
    }
    return nullptr;
}

QString PublishRunner::run(QWidget *page)
{
    auto *button = page->findChild<QPushButton *>(kPublishButton);
    if (!button)
        fail(Platform::ErrorNumber::MemberNotFound,
             QStringLiteral("the publish page has no button \"%1\"").arg(kPublishButton));
    connect(page, signalOf(page, "StatusChanged(QString)"), this,
            slotOf(this, "showStatus(QString)"));
    connect(page, signalOf(page, "PublishOutcomeChanged(QString)"), this,
            slotOf(this, "takeOutcome(QString)"));
    if (!button->isEnabled())
        fail(Platform::ErrorNumber::InvalidProcedureCall,
             QStringLiteral("the publish button of the page is disabled"));

    m_outcome.clear();
    button->click();
    // The outcome may come during the click (a declined question) or later,
    // from the zip component's events.
    if (m_outcome.isEmpty())
        m_loop.exec();
    disconnect(page, nullptr, this, nullptr);
    return m_outcome;
}

void PublishRunner::showStatus(const QString &status)
{
    m_status->print(status);
#if defined(__GLIBC__)
    // Each step of a publish frees what the one before it held (a large
    // tree's records, the zip step's list of entries) in many small blocks,
    // which glibc keeps in its arenas, where the next step's larger blocks do
    // not fit. Handed back to the system as a step starts (a text that does
    // not go on from the last one, as dots of progress do), they do not add
    // to its memory: at 100,000 files the peak is some 10 MB lower.
    if (m_lastStatus.isEmpty() || !status.startsWith(m_lastStatus))
        malloc_trim(0);
#endif
    m_lastStatus = status;
}

void PublishRunner::takeOutcome(const QString &outcome)
{
    if (outcome.isEmpty() || outcome == QLatin1String("running"))
        return;
    m_outcome = outcome;
    m_status->finish();
    m_loop.quit();
}

int PublishCommand::run(int &argc, char **argv, const Invocation &invocation)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The add-in's debug lines are for a debugger, as on the desktop: they
    // reach standard error only when asked for, and never mix with the
    // status lines and messages a script reads.
    if (qEnvironmentVariable("CORVANE_DEBUG_OUTPUT") != QLatin1String("stderr"))
        Platform::setDebugOutputSink([](const QByteArray &) {});
    QApplication application(argc, argv);
    HostSession session(invocation, true);
    // Without write access the host offers no configuration pages at all; say
    // why rather than let the missing page look like a missing add-in.
    if (!session.application().database()->isWritable())
        fail(Platform::ErrorNumber::PathFileAccessError,
             QStringLiteral("the database %1 is read-only for this user, and publishing stores "
                            "the archive in it: give write access to it (and, for a SQLite "
                            "file, to its folder), then publish again")
                 .arg(invocation.database));

    Host::ConfigurationDialog dialog(session.application());
    if (!dialog.loadPages())
        fail(Platform::ErrorNumber::InvalidProcedureCall,
             QStringLiteral("an add-in cancelled the configuration dialog; nothing was published"));
    QWidget *page = PublishRunner::findPublishPage(dialog.pages());
    if (!page)
        fail(Platform::ErrorNumber::CannotCreateObject,
             QStringLiteral("no configuration page publishes action pads: is the add-in "
                            "(libcorvane-brimble) in %1 and connected?")
                 .arg(QDir::toNativeSeparators(
                     session.addins().folders().join(QStringLiteral(", ")))));
    dialog.setCurrentPage(page);

    const bool dryRun = invocation.has(QStringLiteral("dry-run"));
    if (dryRun || invocation.has(QStringLiteral("if-changed"))) {
        const DryRunReport report = analysePublish(page, *session.application().database());
        if (dryRun) {
            QTextStream out(stdout);
            if (invocation.has(QStringLiteral("json")))
                out << QJsonDocument(report.json()).toJson(QJsonDocument::Indented);
            else
                report.printText(out);
            return 0;
        }
        if (!report.hasChanges()) {
            printLine(stdout, QStringLiteral("Nothing changed since the last publish"));
            return 0;
        }
    }

    PublishRunner runner;
    const QString outcome = runner.run(page);
    if (outcome == kNotRefreshed)
        return kExitNotRefreshed;
    if (outcome != kPublished) {
        printLine(stderr, QStringLiteral("corvane-admin: the publish ended %1; nothing was "
                                         "published")
                              .arg(outcome));
        return 1;
    }
    return 0;
}

} // namespace Corvane::Admin
