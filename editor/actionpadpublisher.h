#pragma once

#include "model/actionpad.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <memory>

namespace Brimble {

class ActionPadArchiver;

// The publish flow of the action pad page, without its widgets: the page
// forwards its button to Publish() and shows Status() and IsPublishing().
//
// A publish: confirm, gather one assignment per table plus the database's and
// the overview's, let a new archiver pack every file they reach into a
// temporary zip file, check its size, store it with the assignments' names in
// one transaction, refresh the server's cache, delete the file.
class ActionPadPublisher final : public QObject
{
    Q_OBJECT
public:
    explicit ActionPadPublisher(QObject *parent = nullptr);
    ~ActionPadPublisher() override;
    Q_DISABLE_COPY_MOVE(ActionPadPublisher)

    // The publish button: returns when the archiver is under way (or the
    // publish ended already); the archiver's Finished completes it.
    void Publish();
    // The dry run: the assignments and the archiver's analysis, described
    // (PublishPlan::Analyze); on failure only "error", the description.
    QVariantMap Analyze();

    // The status text; ResetStatus sets the page's initial text without
    // announcing it (the page is shown anew).
    const QString &Status() const { return m_Status; }
    void ResetStatus();
    // Between a confirmed publish and the end of its completion flow.
    bool IsPublishing() const { return m_Publishing; }
    // How the last publish ended: "" before any, "running", "published",
    // "published-not-refreshed", "declined" (a question answered No),
    // "cancelled" (no archive was made) or "failed" (an error was reported).
    const QString &Outcome() const { return m_Outcome; }
    // The archiver of the last publish; null before the first.
    ActionPadArchiver *Archiver() const { return m_ActionPadArchiver.get(); }

signals:
    // Every status text, as it is set.
    void StatusChanged(const QString &text);
    void OutcomeChanged(const QString &outcome);
    // The publish button is disabled while this is true.
    void PublishingChanged(bool publishing);

private:
    void m_ActionPadArchiver_EnterState(const QString &state);
    void m_ActionPadArchiver_ZipPercentComplete(qint16 percent);
    void m_ActionPadArchiver_Finished(const QString &archiveName);

    void LoadActionPads();
    void AddActionPad(const QString &source, const QString &fileName, qint32 tableId);
    void SetStatus(const QString &text);
    bool ConfirmArchiveSize(const QString &archiveName);
    // Stores the archive and the page names, then refreshes the server cache;
    // false when only the refresh failed (the archive stays published).
    bool StoreArchive(const QString &archiveName);
    void EndPublish();
    void SetOutcome(const QString &outcome);

    std::shared_ptr<ActionPadCollection> m_ActionPads;
    QString m_ArchiveFileName;
    std::unique_ptr<ActionPadArchiver> m_ActionPadArchiver;
    QString m_Status;
    bool m_Publishing = false;
    QString m_Outcome;
};

} // namespace Brimble
