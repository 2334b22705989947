#pragma once

#include "host/impl/configurationdialog.h"

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

// One administration session inside the test, as corvane-admin's window runs
// it: the host's application over a database, the real add-in loaded from the
// add-in folder (CORVANE_ADDIN_DIR) and connected, and the configuration
// dialog, shown, with the add-in's page. The test reaches the page only as the
// host does: by object names, signals and the page contract.
//
// Questions are answered as they open: a message box whose text contains a
// fragment given to answer() gets that button, any other modal dialog its
// default button. The debugger output is collected while the session lives.
class LiveHost final : public QObject
{
    Q_OBJECT
public:
    // What one publish showed: its outcome ("published", "declined",
    // "cancelled", "failed"; empty while running), every status text, the
    // texts of the questions and messages, the debug lines and the temporary
    // archive the page named.
    struct Run
    {
        QString outcome;
        QStringList statuses;
        QStringList messages;
        QStringList debugLines;
        QString archive;
    };

    explicit LiveHost(const QString &database);
    ~LiveHost() override;
    Q_DISABLE_COPY_MOVE(LiveHost)

    Corvane::Host::Application &application() { return *m_application; }
    Corvane::Host::ConfigurationDialog *dialog() const { return m_dialog; }
    QWidget *page() const { return m_page; }
    QPushButton *publishButton() const;
    QString status() const;

    void answer(const QString &fragment, QMessageBox::StandardButton button);
    // Called, on the next turn of the event loop, with every object the page
    // or anything below it gains (the archiver, its zip components), by then
    // constructed and named.
    void watchChildren(std::function<void(QObject *)> handler);

    // Presses the publish button and waits until the publish has an outcome.
    Run publish(int timeoutMs = 120000);
    // Presses the publish button and returns at once.
    void startPublish();
    // Runs the event loop until the condition holds; false after the timeout.
    static bool waitFor(const std::function<bool()> &condition, int timeoutMs);
    Run current() const;

    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void takeStatus(const QString &text);
    void takeOutcome(const QString &outcome);

private:
    void answerOpenDialogs();

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
