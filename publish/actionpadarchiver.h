#pragma once

#include "model/actionpad.h"
#include "publish/archivefile.h"

#include "platform/keyedcollection.h"
#include "platform/runtimeerror.h"

#include <QBitArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

namespace Corvane::Zip {
class ZipComponent;
}

namespace Brimble {

// Turns the editor page's action pads into one zip archive of every file they
// reach: validates, collects folders, previews, names, de-duplicates (with the
// user) and zips. Talks back only through its three events. One archiver
// serves one publish.
class ActionPadArchiver final : public QObject
{
    Q_OBJECT
public:
    explicit ActionPadArchiver(QObject *parent = nullptr);
    ~ActionPadArchiver() override;

    std::shared_ptr<ActionPadCollection> ActionPads() const;
    void setActionPads(std::shared_ptr<ActionPadCollection> aps);

    // Starts the analysis and returns the path of the temporary archive file.
    // Fails (RuntimeError) after warning the user when action pad files are invalid.
    QString CreateArchive();

    // Set before CreateArchive: the analysis runs as for a publish (preview,
    // names, clashes, the duplicates dialog's default choice without a window
    // and without saving its sizes, published names on the pads, moved to the
    // file kept where the default leaves a pad's page out), and then
    // stops with AnalysisCompleted instead of zipping. No temporary file is
    // made: CreateArchive returns an empty path. Skipped links are not shown
    // as a message (SkippedLinks lists them). A failure still ends with Finished.
    bool AnalysisOnly() const { return m_AnalysisOnly; }
    void setAnalysisOnly(bool on) { m_AnalysisOnly = on; }
    // The records of the analysis, as the zip step would read them.
    std::shared_ptr<ArchiveFileCollection> ArchiveFiles() const { return m_ArchiveFiles; }
    // The links the preview left out (each "link -> target"), as a publish warns of them.
    QStringList SkippedLinks() const;
    // Why the publish failed after CreateArchive returned (the user has been
    // told already; Finished then names an empty file); empty when it did not.
    QString FailureDescription() const { return m_FailureDescription; }

signals:
    void EnterState(const QString &state);
    void ZipPercentComplete(qint16 percent);
    void Finished(const QString &archiveName);
    // The analysis of an AnalysisOnly archiver is done; ArchiveFiles holds its records.
    void AnalysisCompleted();

private slots:
    void m_Previewer_PreviewingFile(const QString &sFilename, const QString &sSourceFilename,
                                    qint64 lSize, qint32 xAttributes,
                                    const QDateTime &dtLastModified,
                                    const QDateTime &dtLastAccessed, const QDateTime &dtCreated,
                                    bool bExcluded, qint32 xReason);
    void m_Previewer_ProcessCompleted(qint32 lFilesTotal, qint32 lFilesProcessed,
                                      qint32 lFilesSkipped, qint64 lBytesTotal,
                                      qint64 lBytesProcessed, qint64 lBytesSkipped,
                                      qint64 lBytesOutput, qint16 nCompressionRatio,
                                      qint32 xResult);
    void m_Zipper_ZipPreprocessingFile(QString *sFilename, const QString &sComment,
                                       const QString &sSourceFilename, qint64 lSize,
                                       qint32 xAttributes, const QDateTime &dtLastModified,
                                       const QDateTime &dtLastAccessed, const QDateTime &dtCreated,
                                       qint32 xMethod, bool bEncrypted, const QString &sPassword,
                                       bool *bExcluded, qint32 xReason, bool bExisting);
    void m_Zipper_GlobalStatus(qint32 lFilesTotal, qint32 lFilesProcessed, qint32 lFilesSkipped,
                               qint16 nFilesPercent, qint64 lBytesTotal, qint64 lBytesProcessed,
                               qint64 lBytesSkipped, qint16 nBytesPercent, qint64 lBytesOutput,
                               qint16 nCompressionRatio);
    void m_Zipper_ProcessCompleted(qint32 lFilesTotal, qint32 lFilesProcessed, qint32 lFilesSkipped,
                                   qint64 lBytesTotal, qint64 lBytesProcessed, qint64 lBytesSkipped,
                                   qint64 lBytesOutput, qint16 nCompressionRatio, qint32 xResult);

private:
    bool ValidateActionPadFiles();
    void CollectFolders();
    QString GetArchiveFilename(const QString &path) const;
    void DebugPrintArchiveFiles() const;
    void DecideOnZipStep();
    qint16 ShowDuplicatesDialog();
    void CreateZipFile();
    QList<actionPad *> ActionPadsWithFile(const QString &fileName) const;
    void IndexActionPadFiles();
    bool IsDatabaseFile(const QString &sourceFilename) const;
    void WarnOfSkippedLinks();
    void RepointExcludedPages();
    std::unique_ptr<Corvane::Zip::ZipComponent> CreateZipComponent(const QString &name);
    void ReleaseComponent(std::unique_ptr<Corvane::Zip::ZipComponent> &component);
    void EnterStateOf(const QString &key);
    void RaiseFinished(const QString &archiveName, const QString &message = QString());
    void FailPublish(const QString &message);
    QString MissedFile() const;
    // The zip step has done with the records (ArchiveFiles is empty after it).
    void ReleaseRecords();
    // Errors must not escape into the component's event delivery: a failing
    // handler ends the publish (message, empty archive, Finished) instead.
    template <typename Body> void RunHandler(Body &&body)
    {
        try {
            body();
        } catch (const Corvane::Platform::RuntimeError &error) {
            FailPublish(error.description());
        } catch (const std::exception &error) {
            FailPublish(QString::fromLocal8Bit(error.what()));
        }
    }

    std::shared_ptr<ActionPadCollection> m_ActionPads;
    Corvane::Platform::KeyedSet m_Folders;
    // The prefixes GetArchiveFilename cuts, one per non-empty folder of m_Folders, in order.
    QStringList m_FolderPrefixes;
    std::shared_ptr<ArchiveFileCollection> m_ArchiveFiles;
    // Each archive name taken (without regard to case), with the position of
    // its first record: a later record of the name is a clash, and marks the
    // first one as well. The keys view the records' names.
    QHash<CaseBlindKey, qint32> m_ArchiveNames;
    // The action pads by CurrentFileName (without regard to case), in collection
    // order, as the preview began; the keys view m_PadFiles.
    QStringList m_PadFiles;
    QHash<CaseBlindKey, QList<actionPad *>> m_ActionPadsByFile;
    // Each action pad given a published name, with the position of the record of its page.
    QList<QPair<actionPad *, qint32>> m_PublishedPages;
    // The database published to and its journals (case-folded file names), when it is a file.
    QString m_DatabaseFile;
    QStringList m_DatabaseFileNames;
    QString m_FailureDescription;
    bool m_HasDuplicates = false;
    bool m_AnalysisOnly = false;
    qint16 m_LastPercent = 0;
    // The records the zip step has reached, by position: a previewed file it
    // never reached was removed meanwhile, and the archive would silently lack it.
    QBitArray m_Zipped;
    qsizetype m_NotYetZipped = 0; // records the zip step has not reached

    std::unique_ptr<Corvane::Zip::ZipComponent> m_Previewer;
    std::unique_ptr<Corvane::Zip::ZipComponent> m_Zipper;
    // The one re-entry guard left: set when the publish has ended (Finished is
    // on its way, or the analysis completed), so that a second end reported
    // meanwhile (a failure while the end is queued) raises nothing more.
    bool m_Ended = false;
};

} // namespace Brimble
