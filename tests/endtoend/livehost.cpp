#include "livehost.h"

#include "host/impl/addinmanager.h"
#include "host/impl/application.h"
#include "host/impl/configurationdialog.h"
#include "host/impl/hostclasses.h"
#include "platform/debugoutput.h"

#include <QApplication>
#include <QChildEvent>
#include <QDeadlineTimer>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace EndToEnd {

namespace {

const QStringList kOutcomes = {QStringLiteral("published"), QStringLiteral("declined"),
                               QStringLiteral("cancelled"), QStringLiteral("failed")};

bool isBelow(const QObject *object, const QObject *ancestor)
{
    for (; object; object = object->parent()) {
        if (object == ancestor)
            return true;
    }
    return false;
}

} // namespace

LiveHost::LiveHost(const QString &database)
{
    static const bool registered = [] {
        Corvane::Host::registerHostClasses();
        return true;
    }();
    Q_UNUSED(registered)

    Corvane::Platform::setDebugOutputSink([this](const QByteArray &bytes) {
        QString text = QString::fromUtf8(bytes);
        while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        const QMutexLocker lock(&m_debugMutex);
        for (QString line : text.split(QLatin1Char('\n')))
            m_debugLines.append(line.remove(QLatin1Char('\r')));
    });

    m_application = std::make_unique<Corvane::Host::Application>();
    m_application->setLanguage(QStringLiteral("en"));
    m_application->openDatabase(database);
    m_addins = std::make_unique<Corvane::Host::AddinManager>(*m_application);
    m_addins->connectAll();

    connect(&m_answering, &QTimer::timeout, this, &LiveHost::answerOpenDialogs);
    m_answering.start(10);

    m_dialog = new Corvane::Host::ConfigurationDialog(*m_application);
    m_dialog->loadPages();
    m_page = m_dialog->findPage(QStringLiteral("ucActionPadEditor"));
    if (m_page) {
        m_dialog->setCurrentPage(m_page);
        connect(m_page, SIGNAL(StatusChanged(QString)), this, SLOT(takeStatus(QString)));
        connect(m_page, SIGNAL(PublishOutcomeChanged(QString)), this, SLOT(takeOutcome(QString)));
    }
    m_dialog->show();
    qApp->installEventFilter(this);
}

LiveHost::~LiveHost()
{
    qApp->removeEventFilter(this);
    delete m_dialog;
    m_addins.reset();
    m_application.reset();
    Corvane::Platform::setDebugOutputSink(nullptr);
}

QPushButton *LiveHost::publishButton() const
{
    return m_page ? m_page->findChild<QPushButton *>(QStringLiteral("cmdPublishActionPads"))
                  : nullptr;
}

QString LiveHost::status() const
{
    const QLabel *label =
        m_page ? m_page->findChild<QLabel *>(QStringLiteral("lblStatus")) : nullptr;
    return label ? label->text() : QString();
}

void LiveHost::answer(const QString &fragment, QMessageBox::StandardButton button)
{
    m_answers.insert(fragment, button);
}

void LiveHost::watchChildren(std::function<void(QObject *)> handler)
{
    m_childHandler = std::move(handler);
}

LiveHost::Run LiveHost::publish(int timeoutMs)
{
    if (!publishButton())
        return current(); // no page: no outcome
    startPublish();
    waitFor([this] { return !m_run.outcome.isEmpty(); }, timeoutMs);
    return current();
}

void LiveHost::startPublish()
{
    m_run = Run();
    {
        const QMutexLocker lock(&m_debugMutex);
        m_debugStart = m_debugLines.size();
    }
    if (QPushButton *button = publishButton())
        button->click();
}

bool LiveHost::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

LiveHost::Run LiveHost::current() const
{
    Run run = m_run;
    const QMutexLocker lock(&m_debugMutex);
    run.debugLines = m_debugLines.mid(m_debugStart);
    for (const QString &line : std::as_const(run.debugLines)) {
        if (line.startsWith(QLatin1String("archive: ")))
            run.archive = line.mid(9);
    }
    return run;
}

bool LiveHost::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ChildAdded && m_childHandler && m_page &&
        isBelow(watched, m_page)) {
        QObject *child = static_cast<QChildEvent *>(event)->child();
        if (!child->isWidgetType()) {
            // Added from its QObject constructor: handled once it is built.
            const QPointer<QObject> guard(child);
            QMetaObject::invokeMethod(
                this,
                [this, guard] {
                    if (guard && m_childHandler)
                        m_childHandler(guard);
                },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

void LiveHost::takeStatus(const QString &text)
{
    m_run.statuses.append(text);
}

void LiveHost::takeOutcome(const QString &outcome)
{
    if (kOutcomes.contains(outcome))
        m_run.outcome = outcome;
}

void LiveHost::answerOpenDialogs()
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        auto *dialog = qobject_cast<QDialog *>(window);
        if (!dialog || !dialog->isVisible() || !dialog->isModal())
            continue;
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            m_run.messages.append(box->text());
            QAbstractButton *choice = box->defaultButton();
            for (auto it = m_answers.cbegin(); it != m_answers.cend(); ++it) {
                if (box->text().contains(it.key()) && box->button(it.value()))
                    choice = box->button(it.value());
            }
            if (choice)
                choice->click();
            else
                box->accept();
            continue;
        }
        m_run.messages.append(dialog->windowTitle());
        QPushButton *choice = nullptr;
        for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
            if (button->isDefault() && button->isVisible())
                choice = button;
        }
        if (choice)
            choice->click();
        else
            dialog->accept();
    }
}

} // namespace EndToEnd
