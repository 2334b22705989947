// The archiver's zip step: the second component instance writes the archive
// of the records, each under its archive name unless the user left it out.
#include "publish/actionpadarchiver.h"

#include "addin/resourcemanager.h"
#include "publish/archiverdefs.h"
#include "zip/zipcomponent.h"

#include <QDir>

namespace Brimble {

using Corvane::Zip::ZipComponent;
using namespace ArchiverDefs;

void ActionPadArchiver::CreateZipFile()
{
    EnterStateOf(QStringLiteral("CreateZipFile"));
    m_Zipper = CreateZipComponent(QStringLiteral("m_Zipper"));
    connect(m_Zipper.get(), &ZipComponent::ZipPreprocessingFile, this,
            &ActionPadArchiver::m_Zipper_ZipPreprocessingFile);
    connect(m_Zipper.get(), &ZipComponent::GlobalStatus, this,
            &ActionPadArchiver::m_Zipper_GlobalStatus);
    connect(m_Zipper.get(), &ZipComponent::ProcessCompleted, this,
            &ActionPadArchiver::m_Zipper_ProcessCompleted);
    m_Zipper->setIncludeSubfolders(m_Previewer->includeSubfolders());
    m_Zipper->setLinkFolders(m_Previewer->linkFolders());
    m_Zipper->setFilesToProcess(m_Previewer->filesToProcess());
    m_Zipper->setArchivePath(m_Previewer->archivePath());
    m_LastPercent = 0;
    m_Zipped.fill(false, m_ArchiveFiles->count());
    m_NotYetZipped = m_ArchiveFiles->count();
    m_Zipper->Zip();
}

void ActionPadArchiver::m_Zipper_ZipPreprocessingFile(QString *sFilename, const QString &,
                                                      const QString &sSourceFilename, qint64,
                                                      qint32, const QDateTime &, const QDateTime &,
                                                      const QDateTime &, qint32, bool,
                                                      const QString &, bool *bExcluded, qint32,
                                                      bool)
{
    RunHandler([&] {
        const qsizetype position = m_ArchiveFiles->indexOf(sSourceFilename);
        if (position < 0) {
            // Created after the preview: it has no archive name and nobody
            // chose to publish it, so it stays out.
            VBDebug::DebugPrint(QStringLiteral("[z] not previewed, left out: ") + sSourceFilename);
            if (bExcluded)
                *bExcluded = true;
            return;
        }
        const ArchiveRecord &record = std::as_const(*m_ArchiveFiles).at(position);
        if (!m_Zipped.testBit(position)) {
            m_Zipped.setBit(position);
            --m_NotYetZipped;
        }
        if (debugging())
            VBDebug::DebugPrint(QStringLiteral("[z] ") + record.ToString());
        if (record.IsExcluded() && bExcluded)
            *bExcluded = true;
        if (sFilename)
            *sFilename = record.ArchiveFilename();
        // The component has the name now: the texts go at once, so that a
        // large tree's records shrink while its entry list grows.
        m_ArchiveFiles->dropTexts(position);
        // Every record has reached the zip step: none can be missed any more,
        // and a large tree's records go before its files are compressed.
        if (m_NotYetZipped == 0)
            ReleaseRecords();
    });
}

void ActionPadArchiver::m_Zipper_GlobalStatus(qint32, qint32, qint32, qint16, qint64, qint64,
                                              qint64, qint16 nBytesPercent, qint64, qint16)
{
    RunHandler([&] {
        if (nBytesPercent % 5 == 0 && nBytesPercent < 100 && nBytesPercent != m_LastPercent) {
            m_LastPercent = nBytesPercent;
            emit ZipPercentComplete(nBytesPercent);
        }
    });
}

void ActionPadArchiver::m_Zipper_ProcessCompleted(qint32, qint32, qint32, qint64, qint64, qint64,
                                                  qint64, qint16, qint32 xResult)
{
    RunHandler([&] {
        const QString archive = m_Zipper->archivePath();
        const QString missed =
            xResult == Corvane::Zip::ZipResult::Success ? MissedFile() : QString();
        if (xResult == Corvane::Zip::ZipResult::Success && missed.isEmpty()) {
            ReleaseRecords();
            EnterStateOf(QStringLiteral("ArchiveCreated"));
            RaiseFinished(archive);
            return;
        }
        // The archive was not written, or lacks a file: hand the page an empty
        // file (it stores nothing then) and tell the user which file stopped it.
        QString reason = missed.isEmpty()
                             ? m_Zipper->lastError()
                             : QStringLiteral("%1 was there when the action pads were checked, "
                                              "but is gone now")
                                   .arg(QDir::toNativeSeparators(missed));
        if (reason.isEmpty())
            reason = archive;
        FailPublish(ResourceManager::FormatText(
            ResourceManager::GetText(QStringLiteral("Error_ZipFailed"), kSection), reason));
    });
}

void ActionPadArchiver::ReleaseRecords()
{
    m_ArchiveFiles = std::make_shared<ArchiveFileCollection>();
    m_Zipped.clear();
}

// The first previewed file, not left out, that the zip step never reached.
QString ActionPadArchiver::MissedFile() const
{
    for (qsizetype i = 0; i < m_ArchiveFiles->count(); ++i) {
        const ArchiveRecord &record = std::as_const(*m_ArchiveFiles).at(i);
        if (!record.IsExcluded() && !m_Zipped.testBit(i))
            return record.SourceFilename();
    }
    return {};
}

} // namespace Brimble
