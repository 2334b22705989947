#pragma once

#include "host/api/propertypage.h"
#include "model/actionpad.h"

#include <QIcon>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <memory>

class QGroupBox;
class QLabel;
class QPushButton;
class QShowEvent;

namespace Brimble {

class ActionPadArchiver;

// The action pad page of the host's configuration dialog
// ("CorvaneBrimble.ucActionPadEditor"). It edits nothing: its one job is to
// publish the open database's action pads when the administrator presses its
// button, and to show the progress of that publish in its status label.
//
// A publish: confirm, gather one assignment per table plus the database's and
// the overview's, let a new archiver pack every file they reach into a
// temporary zip file, check its size, store it through the data engine,
// write back the assignments, refresh the server's cache, delete the file.
class ucActionPadEditor final : public QWidget, public Corvane::Host::IPropertyPage
{
    Q_OBJECT
    Q_INTERFACES(Corvane::Host::IPropertyPage)
    // How the last publish ended: "" before any, "running", "published",
    // "declined" (a question answered No), "cancelled" (no archive was made)
    // or "failed" (an error was reported).
    Q_PROPERTY(QString PublishOutcome READ PublishOutcome NOTIFY PublishOutcomeChanged)
public:
    explicit ucActionPadEditor(QWidget *parent = nullptr);
    ~ucActionPadEditor() override;
    Q_DISABLE_COPY_MOVE(ucActionPadEditor)

    // The page's own automation interface; the dialog's contract forwards to these.
    Q_INVOKABLE void PropertyPage_Activate();
    Q_INVOKABLE void PropertyPage_Apply();
    Q_INVOKABLE void PropertyPage_Cancel();
    Q_INVOKABLE QString PropertyPage_Caption() const;
    Q_INVOKABLE void PropertyPage_Deactivate();
    Q_INVOKABLE QString PropertyPage_Description() const;
    Q_INVOKABLE bool PropertyPage_Dirty() const;
    Q_INVOKABLE QIcon PropertyPage_Icon() const;
    Q_INVOKABLE void Test();
    // The dry run of a publish (corvane-admin publish --dry-run): the page's
    // assignments and the archiver's analysis, described, with nothing made,
    // stored or saved (PublishPlan::Analyze gives the map's form). On failure
    // the map holds only "error", the description.
    Q_INVOKABLE QVariantMap AnalyzePublish();

    // Corvane::Host::IPropertyPage
    void Apply() override { PropertyPage_Apply(); }
    void Cancel() override { PropertyPage_Cancel(); }
    void Activate() override { PropertyPage_Activate(); }
    void Deactivate() override { PropertyPage_Deactivate(); }
    bool Dirty() const override { return PropertyPage_Dirty(); }
    QString Caption() const override { return PropertyPage_Caption(); }
    QString Description() const override { return PropertyPage_Description(); }
    QIcon Icon() const override { return PropertyPage_Icon(); }

    QString PublishOutcome() const { return m_PublishOutcome; }

signals:
    // Every text the publish puts into the status label, as it is put there.
    void StatusChanged(const QString &text);
    void PublishOutcomeChanged(const QString &outcome);

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void cmdPublishActionPads_Click();
    void m_ActionPadArchiver_EnterState(const QString &state);
    void m_ActionPadArchiver_ZipPercentComplete(qint16 percent);
    void m_ActionPadArchiver_Finished(const QString &archiveName);

private:
    void UserControl_Show();
    void LocalizeControls();
    void LoadActionPads();
    void AddActionPad(const QString &source, const QString &fileName, qint32 tableId);
    void SetStatus(const QString &text);
    bool ConfirmArchiveSize(const QString &archiveName);
    // Stores the archive and the page names, then refreshes the server cache;
    // false when only the refresh failed (the archive stays published).
    bool StoreArchive(const QString &archiveName);
    void EndPublish();
    void SetPublishOutcome(const QString &outcome);

    QGroupBox *frmPublish = nullptr;
    QWidget *Picture2 = nullptr;
    QLabel *lblPublishHelp = nullptr;
    QPushButton *cmdPublishActionPads = nullptr;
    QLabel *lblStatus = nullptr;

    std::shared_ptr<ActionPadCollection> m_ActionPads;
    QString m_ArchiveFileName;
    std::unique_ptr<ActionPadArchiver> m_ActionPadArchiver;
    // Between a confirmed publish and the end of its completion flow.
    bool m_Publishing = false;
    QString m_PublishOutcome;
};

} // namespace Brimble
