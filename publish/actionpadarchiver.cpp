#include "publish/actionpadarchiver.h"

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/ui.h"
#include "addin/vbdebug.h"
#include "host/api/database.h"
#include "host/api/utility.h"
#include "platform/paths.h"
#include "platform/runtimeerror.h"
#include "publish/frmeditarchiveduplicates.h"
#include "publish/win32apiwrapper.h"
#include "zip/zipcomponent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

namespace Brimble {

using Corvane::Platform::RuntimeError;
using Corvane::Zip::ZipComponent;
namespace Paths = Corvane::Platform::Paths;

namespace {

const QString kSection = QStringLiteral("ActionPadArchiver");
const QString kStatusSection = QStringLiteral("PublishStatus");

// The add-in error with which CreateArchive fails after naming invalid action
// pad files (its texts are BrimbleError.514-description & co.).
constexpr std::int32_t kInvalidActionPadFiles = 514;

// Option values both component instances are set up with.
constexpr qint32 kMetadataOptions = 2570; // 0x0A0A

constexpr std::int16_t kPointerDefault = 0;
constexpr std::int16_t kPointerHourglass = 11;
constexpr int kOkOnly = 0;
constexpr int kExclamation = 48;

// Debug lines are built only while someone reads them: a preview reports
// every file of the web folders, and most publishes run with the flag off.
bool debugging()
{
    return VBDebug::DebugFlag();
}

} // namespace

ActionPadArchiver::ActionPadArchiver(QObject *parent)
    : QObject(parent)
    , m_ArchiveFiles(std::make_shared<ArchiveFileCollection>())
{
}

ActionPadArchiver::~ActionPadArchiver()
{
    // Destroyed from one of our own handlers (the page dropping the archiver
    // in its Finished handler): the component that raised the event is still
    // on the stack, so it goes later.
    if (m_HandlerDepth > 0) {
        ReleaseComponent(m_Zipper);
        ReleaseComponent(m_Previewer);
    }
}

template <typename Body> void ActionPadArchiver::RunHandler(Body &&body)
{
    // Errors must not escape into the component's event delivery: a failing
    // handler ends the publish (message, empty archive, Finished) instead.
    const QPointer<ActionPadArchiver> self(this);
    ++m_HandlerDepth;
    try {
        body();
    } catch (const RuntimeError &error) {
        if (self)
            FailPublish(error.description());
    } catch (const std::exception &error) {
        if (self)
            FailPublish(QString::fromLocal8Bit(error.what()));
    }
    if (self)
        --m_HandlerDepth;
}

std::shared_ptr<ActionPadCollection> ActionPadArchiver::ActionPads() const
{
    return m_ActionPads;
}

void ActionPadArchiver::setActionPads(std::shared_ptr<ActionPadCollection> aps)
{
    m_ActionPads = std::move(aps);
}

QString ActionPadArchiver::CreateArchive()
{
    if (m_Stage != Stage::Idle)
        Corvane::Platform::raiseError(
            Corvane::Platform::ErrorNumber::InvalidProcedureCall, kSection,
            QStringLiteral("this archiver has already made its archive; create a new "
                           "ActionPadArchiver for the next publish"));
    if (!m_ActionPads)
        Corvane::Platform::raiseError(
            Corvane::Platform::ErrorNumber::ObjectRequired, kSection,
            QStringLiteral("no action pads were handed to the archiver; set ActionPads "
                           "before CreateArchive"));

    m_InCreateArchive = true;
    struct Leave
    {
        bool &flag;
        ~Leave() { flag = false; }
    } leave{m_InCreateArchive};

    EnterStateOf(QStringLiteral("AnalyzeActionPads"));
    if (!ValidateActionPadFiles())
        UI::RaiseAddinError(kInvalidActionPadFiles);

    m_Previewer = CreateZipComponent(QStringLiteral("m_Previewer"));
    connect(m_Previewer.get(), &ZipComponent::PreviewingFile, this,
            &ActionPadArchiver::m_Previewer_PreviewingFile);
    connect(m_Previewer.get(), &ZipComponent::ProcessCompleted, this,
            &ActionPadArchiver::m_Previewer_ProcessCompleted);
    const QString archivePath =
        m_AnalysisOnly ? QString() : Win32APIWrapper::MakeTempFileName(QStringLiteral("tmp"));
    if (archivePath.isEmpty() && !m_AnalysisOnly) {
        // Qt gives no temporary folder at all when TMPDIR names a missing one.
        QString folder = QDir::tempPath();
        if (folder.isEmpty())
            folder = qEnvironmentVariable("TMPDIR");
        Corvane::Platform::raiseError(
            Corvane::Platform::ErrorNumber::PathFileAccessError, kSection,
            QStringLiteral("no temporary file for the archive could be made in the temporary "
                           "folder %1; make sure it exists and is writable (or point TMPDIR "
                           "at one that is), then publish again")
                .arg(QDir::toNativeSeparators(folder)));
    }
    m_Previewer->setArchivePath(archivePath);

    try {
        CollectFolders();
        m_ArchiveFiles = std::make_shared<ArchiveFileCollection>();
        m_RecordsBySource.clear();
        m_ArchiveNames = Corvane::Platform::KeyedSet();
        m_NameGroups.clear();
        IndexActionPadFiles();
        m_Stage = Stage::Previewing;
        m_Previewer->Preview(false);
    } catch (...) {
        // CreateArchive does not return: nobody else knows the temporary file.
        m_Stage = Stage::Finished;
        const QString archive = m_Previewer->archivePath();
        m_Previewer.reset();
        if (!archive.isEmpty())
            QFile::remove(archive);
        throw;
    }
    return m_Previewer->archivePath();
}

bool ActionPadArchiver::ValidateActionPadFiles()
{
    bool result = true;
    QString list;
    for (const auto &entry : *m_ActionPads) {
        const actionPad *ap = entry.second.get();
        if (ap->IsCurrentFileAbsolute())
            continue;
        // A page must be a file that can be read: a folder or a pipe in its
        // place would leave the pad without a page (or the publish waiting).
        const QString file = ap->CurrentFileName();
        QString reason;
        if (!ap->IsValidFile())
            reason = Paths::folderExists(file) ? QStringLiteral("InvalidFile_Folder")
                                               : QStringLiteral("InvalidFile_Missing");
        else if (!file.isEmpty() && !QFileInfo(Paths::resolveCase(file)).isFile())
            reason = QStringLiteral("InvalidFile_NotRegular");
        if (reason.isEmpty())
            continue;
        result = false;
        list += QLatin1Char('\r') + ap->DisplayName() + QLatin1Char('\t') + file +
                QLatin1Char(' ') + ResourceManager::GetText(reason, kSection);
    }
    if (!list.isEmpty()) {
        // The line breaks of the text first, so that file names are shown as they are.
        QString text = ResourceManager::GetText(QStringLiteral("Error_InvalidFiles"), kSection);
        text.replace(QStringLiteral("{vbNewLine}"), QStringLiteral("\r\n"));
        text.replace(QStringLiteral("%1"), list);
        UI::ShowMessage(text, kOkOnly, kExclamation, 0);
    }
    return result;
}

void ActionPadArchiver::CollectFolders()
{
    m_Folders = Corvane::Platform::KeyedSet();
    m_FolderPrefixes.clear();
    QString files;
    Corvane::Host::IUtility *utility = nullptr;
    for (const auto &entry : *m_ActionPads) {
        const actionPad *ap = entry.second.get();
        const QString file = ap->CurrentFileName();
        VBDebug::DebugPrint(file);
        if (file.isEmpty() || ap->IsCurrentFileAbsolute())
            continue;
        if (!utility)
            utility = &ApplicationManager::Utility();
        const QString folder = utility->ParentFolder(file);
        if (m_Folders.contains(folder))
            continue;
        files += QLatin1Char('|') + utility->CombinePath(folder, QStringLiteral("*"));
        m_Folders.insert(folder);
        // The component names a file by its path less the root; a network
        // path is matched against the full source path instead.
        if (!folder.isEmpty())
            m_FolderPrefixes.append(
                Paths::isNetworkPath(folder) ? folder : folder.mid(Paths::rootLength(folder)));
    }
    m_Previewer->setIncludeSubfolders(true);
    m_Previewer->setFilesToProcess(files);
    // Links may lead into the pad folders and into the database's action pad folder.
    const QString padFolder = ApplicationManager::GetActionPadFolder();
    m_Previewer->setLinkFolders(padFolder.isEmpty() ? QStringList() : QStringList{padFolder});
    VBDebug::DebugPrint(QStringLiteral("filesToProcess: ") + files);
}

QString ActionPadArchiver::GetArchiveFilename(const QString &path) const
{
    // The first folder that holds the path wins; the name keeps its subfolder parts.
    const QChar separator = Paths::separator();
    for (const QString &prefix : m_FolderPrefixes) {
        if (path.size() > prefix.size() && path.at(prefix.size()) == separator &&
            path.startsWith(prefix))
            return path.mid(prefix.size() + 1);
    }
    return path;
}

void ActionPadArchiver::IndexActionPadFiles()
{
    m_ActionPadsByFile.clear();
    m_PublishedPages.clear();
    for (const auto &entry : *m_ActionPads) {
        const QString file = entry.second->CurrentFileName();
        if (!file.isEmpty())
            m_ActionPadsByFile[file.toCaseFolded()].append(entry.second.get());
    }
    // A SQLite database names its file; it and its journals are never archived.
    m_DatabaseFile.clear();
    m_DatabaseFileNames.clear();
    Corvane::Host::IDatabase *database = ApplicationManager::GetDatabase();
    if (database && database->ServerName() == QLatin1String("sqlite")) {
        const QFileInfo info(database->DatabaseName());
        m_DatabaseFile = info.canonicalFilePath();
        for (const char *suffix : {"", "-wal", "-shm", "-journal"})
            m_DatabaseFileNames.append(info.fileName() + QLatin1String(suffix));
    }
}

bool ActionPadArchiver::IsDatabaseFile(const QString &sourceFilename) const
{
    if (m_DatabaseFile.isEmpty())
        return false;
    const QFileInfo info(sourceFilename);
    const qsizetype at = m_DatabaseFileNames.indexOf(info.fileName());
    if (at < 0)
        return false;
    // The same file, however the path reaches it (the folder as listed may be
    // lower-cased, a link, or both).
    const QString real = QFileInfo(Paths::resolveCase(info.path()) + QLatin1Char('/') +
                                   m_DatabaseFileNames.constFirst())
                             .canonicalFilePath();
    return real == m_DatabaseFile;
}

QList<actionPad *> ActionPadArchiver::ActionPadsWithFile(const QString &fileName) const
{
    // Locations are lower-cased, files keep the names found on disk: a pad
    // names a file when both lead to the same spelling on disk (an exact
    // match first, as paths are resolved). Giving a pad its published name
    // makes it dirty and so changes its current file: the candidates are
    // checked again as they stand now.
    QList<actionPad *> pads;
    const auto it = m_ActionPadsByFile.constFind(fileName.toCaseFolded());
    if (it == m_ActionPadsByFile.cend())
        return pads;
    QString onDisk;
    for (actionPad *ap : *it) {
        const QString current = ap->CurrentFileName();
        if (current.compare(fileName, Qt::CaseInsensitive) != 0)
            continue;
        if (current != fileName) {
            if (onDisk.isEmpty())
                onDisk = Paths::resolveCase(fileName);
            if (Paths::resolveCase(current) != onDisk)
                continue;
        }
        pads.append(ap);
    }
    return pads;
}

void ActionPadArchiver::m_Previewer_PreviewingFile(const QString &sFilename,
                                                   const QString &sSourceFilename, qint64, qint32,
                                                   const QDateTime &, const QDateTime &,
                                                   const QDateTime &, bool, qint32)
{
    RunHandler([&] {
        if (m_Stage != Stage::Previewing)
            return;
        if (debugging())
            VBDebug::DebugPrint(sFilename + QStringLiteral(" (") + sSourceFilename +
                                QStringLiteral(") [pf]"));
        // A file reached twice (a folder nested in another one) keeps its first record.
        if (m_RecordsBySource.contains(sSourceFilename))
            return;
        QString key = sSourceFilename;
        if (const auto *known = m_ArchiveFiles->find(sSourceFilename)) {
            // The same path in other letters: the same file reached under another
            // spelling of its folder, or a file of its own whose name differs only
            // in case (A.htm beside a.htm), which must not be lost.
            if (Paths::resolveCase((*known)->SourceFilename()) ==
                Paths::resolveCase(sSourceFilename))
                return;
            key += QChar(0) + QString::number(m_ArchiveFiles->count());
        }
        if (IsDatabaseFile(sSourceFilename)) {
            VBDebug::DebugPrint(QStringLiteral("left out, the database published to: ") +
                                sSourceFilename);
            return;
        }

        auto record = std::make_shared<ArchiveFile>();
        record->setSourceFilename(sSourceFilename);
        const QString archiveName = Paths::isNetworkPath(sSourceFilename)
                                        ? GetArchiveFilename(sSourceFilename)
                                        : GetArchiveFilename(sFilename);
        record->setArchiveFilename(archiveName);

        // Every pad of this page gets its name: the database's and the
        // overview's may well show the same page.
        for (actionPad *ap : ActionPadsWithFile(sSourceFilename)) {
            ap->setPublishedFileName(archiveName);
            m_PublishedPages.append({ap, record.get()});
        }

        m_ArchiveFiles->add(key, record);
        m_RecordsBySource.insert(sSourceFilename, record.get());

        // A name taken before (in any letter case) is a clash, as on a file
        // system that ignores case: every record of the name is marked.
        NameGroup &group = m_NameGroups[archiveName.toCaseFolded()];
        group.records.append(record.get());
        if (!m_ArchiveNames.insert(archiveName)) {
            for (qsizetype i = group.marked; i < group.records.size(); ++i)
                group.records.at(i)->setDuplicateArchiveFileExists(true);
            group.marked = group.records.size();
            m_HasDuplicates = true;
        }
    });
}

void ActionPadArchiver::m_Previewer_ProcessCompleted(qint32, qint32, qint32, qint64, qint64, qint64,
                                                     qint64, qint16, qint32 xResult)
{
    RunHandler([&] {
        if (m_Stage != Stage::Previewing)
            return;
        m_Stage = Stage::Deciding;
        m_NameGroups.clear();
        m_ActionPadsByFile.clear();
        ReleaseComponent(m_Zipper);
        DebugPrintArchiveFiles();
        // A folder that could not be read would leave its files out unseen.
        if (xResult != Corvane::Zip::ZipResult::Success) {
            QString reason = m_Previewer->lastError();
            if (reason.isEmpty())
                reason = QString::number(xResult);
            FailPublish(ResourceManager::FormatText(
                ResourceManager::GetText(QStringLiteral("Error_PreviewFailed"), kSection), reason));
            return;
        }
        WarnOfSkippedLinks();

        bool proceed = true;
        if (m_HasDuplicates) {
            UI::SetMousePointer(kPointerDefault);
            EnterStateOf(QStringLiteral("UserFixDuplicates"));
            const QPointer<ActionPadArchiver> self(this);
            proceed = ShowDuplicatesDialog() == 1;
            if (!self)
                return;
            if (proceed)
                UI::SetMousePointer(kPointerHourglass);
        }
        if (proceed) {
            RepointExcludedPages();
            if (m_AnalysisOnly) {
                m_Stage = Stage::Finished;
                emit AnalysisCompleted();
            } else {
                CreateZipFile();
            }
        } else {
            m_Stage = Stage::Finished;
            RaiseFinished(m_Previewer->archivePath());
        }
    });
}

void ActionPadArchiver::DebugPrintArchiveFiles() const
{
    if (!debugging())
        return;
    VBDebug::DebugPrint(QStringLiteral("number of archivefiles: ") +
                        QString::number(m_ArchiveFiles->count()));
    for (const auto &entry : *m_ArchiveFiles)
        VBDebug::DebugPrint(entry.second->ToString());
}

void ActionPadArchiver::WarnOfSkippedLinks()
{
    const QStringList links = m_Previewer->skippedLinks();
    if (links.isEmpty())
        return;
    const QString message = ResourceManager::FormatText(
        ResourceManager::GetText(QStringLiteral("Warning_SkippedLinks"), kSection),
        links.join(QStringLiteral("; ")));
    VBDebug::DebugPrint(message);
    // An analysis describes them instead (a dry run lists them, and a publish
    // after it warns in its turn).
    if (!m_AnalysisOnly)
        UI::ShowMessage(message, kOkOnly, kExclamation, 0);
}

QStringList ActionPadArchiver::SkippedLinks() const
{
    return m_Previewer ? m_Previewer->skippedLinks() : QStringList();
}

void ActionPadArchiver::RepointExcludedPages()
{
    // A pad whose file the user left out shows the file kept under its name
    // (in any letter case), or no page at all: it never names a missing entry.
    for (const auto &[ap, record] : std::as_const(m_PublishedPages)) {
        if (!record->IsExcluded() || ap->PublishedFileName() != record->ArchiveFilename())
            continue;
        QString kept;
        for (const auto &entry : *m_ArchiveFiles) {
            const ArchiveFile &other = *entry.second;
            if (!other.IsExcluded() && other.ArchiveFilename().compare(record->ArchiveFilename(),
                                                                       Qt::CaseInsensitive) == 0) {
                kept = other.ArchiveFilename();
                break;
            }
        }
        ap->setPublishedFileName(kept);
    }
    m_PublishedPages.clear();
}

qint16 ActionPadArchiver::ShowDuplicatesDialog()
{
    frmEditArchiveDuplicates dialog;
    dialog.setArchiveFiles(m_ArchiveFiles);
    return m_AnalysisOnly ? dialog.DefaultChoice() : dialog.DoModal();
}

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
    m_Zipped.clear();
    m_Stage = Stage::Zipping;
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
        if (m_Stage != Stage::Zipping)
            return;
        const ArchiveFile *found = m_RecordsBySource.value(sSourceFilename);
        if (!found) {
            // Created after the preview: it has no archive name and nobody
            // chose to publish it, so it stays out.
            VBDebug::DebugPrint(QStringLiteral("[z] not previewed, left out: ") + sSourceFilename);
            if (bExcluded)
                *bExcluded = true;
            return;
        }
        const ArchiveFile &record = *found;
        m_Zipped.insert(&record);
        if (debugging())
            VBDebug::DebugPrint(QStringLiteral("[z] ") + record.ToString());
        if (record.IsExcluded() && bExcluded)
            *bExcluded = true;
        if (sFilename)
            *sFilename = record.ArchiveFilename();
    });
}

void ActionPadArchiver::m_Zipper_GlobalStatus(qint32, qint32, qint32, qint16, qint64, qint64,
                                              qint64, qint16 nBytesPercent, qint64, qint16)
{
    RunHandler([&] {
        if (m_Stage != Stage::Zipping)
            return;
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
        if (m_Stage != Stage::Zipping)
            return;
        m_Stage = Stage::Finished;
        const QString archive = m_Zipper->archivePath();
        const QString missed =
            xResult == Corvane::Zip::ZipResult::Success ? MissedFile() : QString();
        if (xResult == Corvane::Zip::ZipResult::Success && missed.isEmpty()) {
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
        const QString message = ResourceManager::FormatText(
            ResourceManager::GetText(QStringLiteral("Error_ZipFailed"), kSection), reason);
        FailPublish(message);
    });
}

// The first previewed file, not left out, that the zip step never reached.
QString ActionPadArchiver::MissedFile() const
{
    for (const auto &entry : *m_ArchiveFiles) {
        const ArchiveFile &record = *entry.second;
        if (!record.IsExcluded() && !m_Zipped.contains(&record))
            return record.SourceFilename();
    }
    return {};
}

std::unique_ptr<ZipComponent> ActionPadArchiver::CreateZipComponent(const QString &name)
{
    // A child as well, so that tools and tests find the instances by name.
    auto component = std::make_unique<ZipComponent>(this);
    component->setObjectName(name);
    component->setPreservePaths(true);
    component->setMetadataOptions(kMetadataOptions);
    return component;
}

void ActionPadArchiver::ReleaseComponent(std::unique_ptr<ZipComponent> &component)
{
    if (!component)
        return;
    component->disconnect(this);
    component->setParent(nullptr);
    component.release()->deleteLater();
}

void ActionPadArchiver::EnterStateOf(const QString &key)
{
    emit EnterState(ResourceManager::GetText(key, kStatusSection));
}

void ActionPadArchiver::RaiseFinished(const QString &archiveName)
{
    // Once per publish, and never before CreateArchive has returned: the page
    // enables its button again on Finished and disables it on the return.
    if (m_FinishedRaised)
        return;
    m_FinishedRaised = true;
    if (m_InCreateArchive) {
        QMetaObject::invokeMethod(
            this, [this, archiveName] { emit Finished(archiveName); }, Qt::QueuedConnection);
        return;
    }
    emit Finished(archiveName);
}

void ActionPadArchiver::FailPublish(const QString &message)
{
    m_Stage = Stage::Finished;
    m_FailureDescription = message;
    ReleaseComponent(m_Zipper);
    const QString archive = m_Previewer ? m_Previewer->archivePath() : QString();
    if (!archive.isEmpty()) {
        QFile file(archive);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.close();
    }
    VBDebug::DebugPrint(QStringLiteral("publish failed: ") + message);
    try {
        UI::SetMousePointer(kPointerDefault);
        UI::ShowMessage(message, kOkOnly, kExclamation, 0);
    } catch (const std::exception &) {
        // Without a host to show it, the debug line above is all that is left.
    }
    RaiseFinished(archive);
}

} // namespace Brimble
