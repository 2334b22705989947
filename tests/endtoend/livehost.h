#pragma once

#include "host/impl/configurationdialog.h"

#include <QDir>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class QDialog;

namespace Corvane::Host {
class AddinManager;
class Application;
} // namespace Corvane::Host

namespace EndToEnd {

// corvane-admin's configuration window in the test: the real host and add-in on the database in
// the language, the action pad page shown; from the first publish on, every modal window is
// handed to onModal, then gets its default button.
class LiveHost final : public QObject
{
    Q_OBJECT
public:
    explicit LiveHost(const QString &database, const QString &language = QStringLiteral("en"));
    ~LiveHost() override;
    Q_DISABLE_COPY_MOVE(LiveHost)

    Corvane::Host::Application &application() { return *m_application; }
    Corvane::Host::ConfigurationDialog *dialog() const { return m_dialog; }
    QWidget *page() const { return m_page; }

    void startPublish();                                // presses the publish button
    QString publish();                                  // and waits for the outcome
    QString outcome() const { return m_outcome; }       // empty while running
    QStringList messages() const { return m_messages; } // the modal windows' texts
    std::function<void(const QString &)> onStatus;      // each status the page shows
    std::function<void(QDialog *)> onModal;

private slots:
    void takeStatus(const QString &text);
    void takeOutcome(const QString &outcome);

private:
    void answerOpenDialogs();

    const QString m_home = QDir::currentPath();
    std::unique_ptr<Corvane::Host::Application> m_application;
    std::unique_ptr<Corvane::Host::AddinManager> m_addins;
    QPointer<Corvane::Host::ConfigurationDialog> m_dialog;
    QPointer<QWidget> m_page;
    QTimer m_answering;
    QString m_outcome;
    QStringList m_messages;
};

} // namespace EndToEnd
