#pragma once

#include "host/api/propertypage.h"

#include <QIcon>
#include <QString>
#include <QVariantMap>
#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QShowEvent;

namespace Brimble {

class ActionPadPublisher;

// The action pad page of the host's configuration dialog
// ("CorvaneBrimble.ucActionPadEditor"). It edits nothing: its one job is to
// publish the open database's action pads when the administrator presses its
// button, and to show the progress of that publish in its status label. The
// publish itself is ActionPadPublisher's; the page wires it to its controls.
//
// The host's dialog drives the page through IPropertyPage; the corvane-admin
// command line and the test form reach it by name: AnalyzePublish, Test, the
// property PublishOutcome and the signals below.
class ucActionPadEditor final : public QWidget, public Corvane::Host::IPropertyPage
{
    Q_OBJECT
    Q_INTERFACES(Corvane::Host::IPropertyPage)
    // How the last publish ended (ActionPadPublisher::Outcome).
    Q_PROPERTY(QString PublishOutcome READ PublishOutcome NOTIFY PublishOutcomeChanged)
public:
    explicit ucActionPadEditor(QWidget *parent = nullptr);
    ~ucActionPadEditor() override;
    Q_DISABLE_COPY_MOVE(ucActionPadEditor)

    // Corvane::Host::IPropertyPage: Apply, Cancel, Activate and Deactivate do
    // nothing, and the page is never dirty.
    void Apply() override {}
    void Cancel() override {}
    void Activate() override {}
    void Deactivate() override {}
    bool Dirty() const override { return false; }
    QString Caption() const override;
    QString Description() const override;
    QIcon Icon() const override;

    // Calls the page's own Activate, which does nothing.
    Q_INVOKABLE void Test() { Activate(); }
    // The dry run of a publish (corvane-admin publish --dry-run): the page's
    // assignments and the archiver's analysis, described, with nothing made,
    // stored or saved (PublishPlan::Analyze gives the map's form). On failure
    // the map holds only "error", the description.
    Q_INVOKABLE QVariantMap AnalyzePublish();

    QString PublishOutcome() const;

signals:
    // Every text the publish puts into the status label, as it is put there.
    void StatusChanged(const QString &text);
    void PublishOutcomeChanged(const QString &outcome);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void LocalizeControls();

    QGroupBox *frmPublish = nullptr;
    QWidget *Picture2 = nullptr;
    QLabel *lblPublishHelp = nullptr;
    QPushButton *cmdPublishActionPads = nullptr;
    QLabel *lblStatus = nullptr;
    ActionPadPublisher *m_Publisher = nullptr;
};

} // namespace Brimble
