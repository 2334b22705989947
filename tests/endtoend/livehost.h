#pragma once

#include "host/impl/configurationdialog.h"

#include <QDir>
#include <QHash>
#include <QMessageBox>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class QPushButton;

namespace Corvane::Host {
class AddinManager;
class Application;
} // namespace Corvane::Host

namespace EndToEnd {

// corvane-admin's window in the test: real host and add-in, its page shown, dialogs answered.
class LiveHost final : public QObject
{
    Q_OBJECT
public:
    // One publish: outcome (empty while running), statuses, dialog texts, debug lines.
    struct Run
    {
        QString outcome;
        QStringList statuses;
        QStringList messages;
        QStringList debugLines;
    };

    explicit LiveHost(const QString &database);
    ~LiveHost() override;
    Q_DISABLE_COPY_MOVE(LiveHost)

    Corvane::Host::Application &application() { return *m_application; }
    Corvane::Host::ConfigurationDialog *dialog() const { return m_dialog; }
    QWidget *page() const { return m_page; }
    QPushButton *publishButton() const;
    QString status() const;

    // A message box whose text has the fragment gets the button; others their default button.
    void answer(const QString &fragment, QMessageBox::StandardButton button)
    {
        m_answers.insert(fragment, button);
    }
    // Gets each object (not widget) the page's tree gains, one turn later: built and named by then.
    void watchChildren(std::function<void(QObject *)> handler) { m_childHandler = handler; }

    Run publish(); // presses the publish button and waits for the outcome
    void startPublish();
    Run current() const;

    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void takeStatus(const QString &text) { m_run.statuses.append(text); }
    void takeOutcome(const QString &outcome)
    {
        m_run.outcome = outcome == QLatin1String("running") ? QString() : outcome;
    }

private:
    void answerOpenDialogs();

    const QString m_home = QDir::currentPath();
    std::unique_ptr<Corvane::Host::Application> m_application;
    std::unique_ptr<Corvane::Host::AddinManager> m_addins;
    QPointer<Corvane::Host::ConfigurationDialog> m_dialog;
    QPointer<QWidget> m_page;
    QTimer m_answering;
    QHash<QString, QMessageBox::StandardButton> m_answers;
    std::function<void(QObject *)> m_childHandler;

    Run m_run;
    mutable QMutex m_debugMutex; // the zip component may write from its worker
    QStringList m_debugLines;
    qsizetype m_debugStart = 0;
};

} // namespace EndToEnd
