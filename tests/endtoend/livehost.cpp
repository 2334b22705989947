#include "livehost.h"

#include "host/impl/addinmanager.h"
#include "host/impl/application.h"
#include "host/impl/hostclasses.h"
#include "platform/debugoutput.h"

#include <QApplication>
#include <QChildEvent>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace EndToEnd {

LiveHost::LiveHost(const QString &database)
{
    static const bool registered = (Corvane::Host::registerHostClasses(), true);
    Q_UNUSED(registered)
    Corvane::Platform::setDebugOutputSink([this](const QByteArray &bytes) {
        QString text = QString::fromUtf8(bytes).remove(u'\r');
        while (text.endsWith(u'\n'))
            text.chop(1);
        const QMutexLocker lock(&m_debugMutex);
        m_debugLines += text.split(u'\n');
    });

    m_application = std::make_unique<Corvane::Host::Application>();
    m_application->setLanguage(u"en"_s);
    m_application->openDatabase(database);
    // Locations may be relative to the web folder, as in corvane-admin's own session.
    QDir::setCurrent(m_application->WebFolder());
    m_addins = std::make_unique<Corvane::Host::AddinManager>(*m_application);
    m_addins->connectAll();

    connect(&m_answering, &QTimer::timeout, this, &LiveHost::answerOpenDialogs);
    m_answering.start(10);

    m_dialog = new Corvane::Host::ConfigurationDialog(*m_application);
    m_dialog->loadPages();
    m_page = m_dialog->findPage(u"ucActionPadEditor"_s);
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
    QDir::setCurrent(m_home);
}

QPushButton *LiveHost::publishButton() const
{
    return m_page ? m_page->findChild<QPushButton *>(u"cmdPublishActionPads"_s) : nullptr;
}

QString LiveHost::status() const
{
    const QLabel *label = m_page ? m_page->findChild<QLabel *>(u"lblStatus"_s) : nullptr;
    return label ? label->text() : QString();
}

LiveHost::Run LiveHost::publish()
{
    if (!publishButton())
        return current(); // no page: no outcome
    startPublish();
    (void)QTest::qWaitFor([this] { return !m_run.outcome.isEmpty(); }, 120000);
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

LiveHost::Run LiveHost::current() const
{
    Run run = m_run;
    const QMutexLocker lock(&m_debugMutex);
    run.debugLines = m_debugLines.mid(m_debugStart);
    return run;
}

bool LiveHost::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ChildAdded && m_childHandler && m_page) {
        QObject *child = static_cast<QChildEvent *>(event)->child();
        const QObject *above = watched;
        while (above && above != m_page)
            above = above->parent();
        // Added from its QObject constructor: handled once it is built.
        if (above && !child->isWidgetType())
            QMetaObject::invokeMethod(
                this,
                [this, guard = QPointer<QObject>(child)] {
                    if (guard && m_childHandler)
                        m_childHandler(guard);
                },
                Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void LiveHost::answerOpenDialogs()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(window);
        if (!dialog || !dialog->isVisible() || !dialog->isModal())
            continue;
        QAbstractButton *choice = nullptr;
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            m_run.messages.append(box->text());
            choice = box->defaultButton();
            for (auto it = m_answers.cbegin(); it != m_answers.cend(); ++it) {
                if (box->text().contains(it.key()) && box->button(it.value()))
                    choice = box->button(it.value());
            }
        } else {
            m_run.messages.append(dialog->windowTitle());
            for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
                if (button->isDefault() && button->isVisible())
                    choice = button;
            }
        }
        if (choice)
            choice->click();
        else
            dialog->accept();
    }
}

} // namespace EndToEnd
