#pragma once

#include <QEventLoop>
#include <QObject>
#include <QString>

#include <memory>

class QWidget;

namespace Corvane::Admin {

struct Invocation;
class StatusPrinter;

// Drives the action pad page's publish without a window: listens to the page's
// StatusChanged(QString) and PublishOutcomeChanged(QString) signals, clicks its
// button "cmdPublishActionPads" and runs the event loop until the outcome
// ("published", "declined", "cancelled" or "failed") arrives.
class PublishRunner final : public QObject
{
    Q_OBJECT
public:
    explicit PublishRunner(QObject *parent = nullptr);
    ~PublishRunner() override;

    // The outcome of one publish on the page. Error 438 when the page lacks
    // the signals or the button.
    QString run(QWidget *page);

    // The page of the configuration dialog that publishes: the one named
    // ucActionPadEditor, else the first with a button "cmdPublishActionPads".
    static QWidget *findPublishPage(const QList<QWidget *> &pages);

private slots:
    void showStatus(const QString &status);
    void takeOutcome(const QString &outcome);

private:
    QEventLoop m_loop;
    QString m_outcome;
    QString m_lastStatus; // the last status text shown
    std::unique_ptr<StatusPrinter> m_status;
};

namespace PublishCommand {
// "publish": QApplication on the offscreen platform, unattended.
int run(int &argc, char **argv, const Invocation &invocation);
} // namespace PublishCommand

} // namespace Corvane::Admin
