#include "livehost.h"

#include "host/impl/addinmanager.h"
#include "host/impl/application.h"
#include "host/impl/hostclasses.h"
#include "host/impl/hosttranslations.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace EndToEnd {

LiveHost::LiveHost(const QString &database, const QString &language)
{
    static const bool registered = (Corvane::Host::registerHostClasses(), true);
    Q_UNUSED(registered)
    m_application = std::make_unique<Corvane::Host::Application>();
    Corvane::Host::HostTranslations::install(language);
    m_application->setLanguage(language);
    m_application->openDatabase(database);
    // Locations may be relative to the web folder, as in corvane-admin's own session.
    QDir::setCurrent(m_application->WebFolder());
    m_addins = std::make_unique<Corvane::Host::AddinManager>(*m_application);
    m_addins->connectAll();

    connect(&m_answering, &QTimer::timeout, this, &LiveHost::answerOpenDialogs);
    m_dialog = new Corvane::Host::ConfigurationDialog(*m_application);
    m_dialog->loadPages();
    m_page = m_dialog->findPage(u"ucActionPadEditor"_s);
    if (m_page) {
        m_dialog->setCurrentPage(m_page);
        connect(m_page, SIGNAL(StatusChanged(QString)), this, SLOT(takeStatus(QString)));
        connect(m_page, SIGNAL(PublishOutcomeChanged(QString)), this, SLOT(takeOutcome(QString)));
    }
    m_dialog->show();
}

LiveHost::~LiveHost()
{
    delete m_dialog;
    m_addins.reset();
    m_application.reset();
    QDir::setCurrent(m_home);
}

void LiveHost::startPublish()
{
    m_outcome.clear();
    m_messages.clear();
    m_answering.start(10);
    if (auto *button =
            m_page ? m_page->findChild<QPushButton *>(u"cmdPublishActionPads"_s) : nullptr)
        button->click();
}

QString LiveHost::publish()
{
    startPublish();
    (void)QTest::qWaitFor([this] { return !m_outcome.isEmpty(); }, 120000);
    return m_outcome;
}

void LiveHost::takeStatus(const QString &text)
{
    if (onStatus)
        onStatus(text);
}

void LiveHost::takeOutcome(const QString &outcome)
{
    m_outcome = outcome == "running"_L1 ? QString() : outcome;
}

void LiveHost::answerOpenDialogs()
{
    m_answering.stop(); // onModal may take its time: nothing runs twice
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(window);
        if (!dialog || !dialog->isVisible() || !dialog->isModal())
            continue;
        auto *box = qobject_cast<QMessageBox *>(dialog);
        m_messages.append(box ? box->text() : dialog->windowTitle());
        QAbstractButton *choice = box ? box->defaultButton() : nullptr;
        for (QPushButton *button : dialog->findChildren<QPushButton *>())
            if (!choice && button->isDefault() && button->isVisible())
                choice = button;
        if (onModal)
            onModal(dialog);
        if (choice)
            choice->click();
        else
            dialog->accept();
    }
    m_answering.start(10);
}

} // namespace EndToEnd
