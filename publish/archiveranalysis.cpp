// The archiver's analysis: which files the action pads reach, the name each
// one carries inside the archive, and the names that clash.
#include "publish/actionpadarchiver.h"

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/ui.h"
#include "host/api/database.h"
#include "host/api/utility.h"
#include "platform/paths.h"
#include "publish/archiverdefs.h"
#include "zip/zipcomponent.h"

#include <QFileInfo>

#include <algorithm>

namespace Brimble {

namespace Paths = Corvane::Platform::Paths;
using namespace ArchiverDefs;

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
        UI::ShowMessage(text, MessageBox::OkOnly, MessageBox::Exclamation, 0);
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
    m_PadFiles.clear();
    m_PublishedPages.clear();
    for (const auto &entry : *m_ActionPads) {
        const QString file = entry.second->CurrentFileName();
        if (file.isEmpty())
            continue;
        m_PadFiles.append(file); // the keys view these texts
        m_ActionPadsByFile[CaseBlindKey{m_PadFiles.constLast()}].append(entry.second.get());
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
    // By its name first, without a file system call for every file.
    const QStringView name =
        QStringView(sourceFilename).sliced(sourceFilename.lastIndexOf(Paths::separator()) + 1);
    if (std::none_of(m_DatabaseFileNames.cbegin(), m_DatabaseFileNames.cend(),
                     [name](const QString &candidate) { return candidate == name; }))
        return false;
    const QFileInfo info(sourceFilename);
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
    const auto it = m_ActionPadsByFile.constFind(CaseBlindKey{fileName});
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
        if (debugging())
            VBDebug::DebugPrint(sFilename + QStringLiteral(" (") + sSourceFilename +
                                QStringLiteral(") [pf]"));
        // A file reached twice (a folder nested in another one) keeps its first record.
        if (const ArchiveRecord *known = m_ArchiveFiles->findAnyCase(sSourceFilename)) {
            // The same path in other letters: the same file reached under another
            // spelling of its folder, or a file of its own whose name differs only
            // in case (A.htm beside a.htm), which must not be lost.
            if (known->SourceFilename() == sSourceFilename || m_ArchiveFiles->find(sSourceFilename))
                return;
            if (Paths::resolveCase(known->SourceFilename()) == Paths::resolveCase(sSourceFilename))
                return;
        }
        if (IsDatabaseFile(sSourceFilename)) {
            VBDebug::DebugPrint(QStringLiteral("left out, the database published to: ") +
                                sSourceFilename);
            return;
        }

        ArchiveRecord record;
        record.setSourceFilename(sSourceFilename);
        record.setArchiveFilename(Paths::isNetworkPath(sSourceFilename)
                                      ? GetArchiveFilename(sSourceFilename)
                                      : GetArchiveFilename(sFilename));
        const auto position = static_cast<qint32>(m_ArchiveFiles->count());
        m_ArchiveFiles->add(std::move(record));
        ArchiveRecord &added = m_ArchiveFiles->at(position);

        // Every pad of this page gets its name: the database's and the
        // overview's may well show the same page.
        const QList<actionPad *> pads = ActionPadsWithFile(sSourceFilename);
        for (actionPad *ap : pads) {
            ap->setPublishedFileName(added.ArchiveFilename());
            m_PublishedPages.append({ap, position});
        }

        // A name taken before (in any letter case) is a clash, as on a file
        // system that ignores case: the first record of the name and every
        // later one are marked.
        const auto taken = m_ArchiveNames.constFind(CaseBlindKey{added.ArchiveNameView()});
        if (taken == m_ArchiveNames.cend()) {
            m_ArchiveNames.insert(CaseBlindKey{added.ArchiveNameView()}, position);
            return;
        }
        m_ArchiveFiles->at(*taken).setDuplicateArchiveFileExists(true);
        added.setDuplicateArchiveFileExists(true);
        m_HasDuplicates = true;
    });
}

void ActionPadArchiver::m_Previewer_ProcessCompleted(qint32, qint32, qint32, qint64, qint64, qint64,
                                                     qint64, qint16, qint32 xResult)
{
    RunHandler([&] {
        m_Previewer->disconnect(this);
        m_ArchiveNames.clear();
        m_ActionPadsByFile.clear();
        m_PadFiles.clear();
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
        QMetaObject::invokeMethod(
            this, [this] { RunHandler([this] { DecideOnZipStep(); }); }, Qt::QueuedConnection);
    });
}

void ActionPadArchiver::DebugPrintArchiveFiles() const
{
    // The count, and the records of clashing names: every file had its line
    // as the preview reported it, and a line per file here, all in one go,
    // would hold up the window on a large folder.
    if (!debugging())
        return;
    VBDebug::DebugPrint(QStringLiteral("number of archivefiles: ") +
                        QString::number(m_ArchiveFiles->count()));
    if (!m_HasDuplicates)
        return;
    for (const ArchiveRecord &record : *m_ArchiveFiles) {
        if (record.DuplicateArchiveFileExists())
            VBDebug::DebugPrint(record.ToString());
    }
}

void ActionPadArchiver::RepointExcludedPages()
{
    // A pad whose file the user left out shows the file kept under its name
    // (in any letter case), or no page at all: it never names a missing entry.
    for (const auto &[ap, position] : std::as_const(m_PublishedPages)) {
        const ArchiveRecord &record = std::as_const(*m_ArchiveFiles).at(position);
        if (!record.IsExcluded() || ap->PublishedFileName() != record.ArchiveNameView())
            continue;
        QString kept;
        for (const ArchiveRecord &other : std::as_const(*m_ArchiveFiles)) {
            if (!other.IsExcluded() && other.ArchiveNameView().compare(record.ArchiveNameView(),
                                                                       Qt::CaseInsensitive) == 0) {
                kept = other.ArchiveFilename();
                break;
            }
        }
        ap->setPublishedFileName(kept);
    }
    m_PublishedPages.clear();
}

} // namespace Brimble
