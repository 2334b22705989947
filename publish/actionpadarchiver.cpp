// The archiver's course through one publish: CreateArchive, the decision
// after the preview (the duplicates dialog), and its end (Finished). The
// analysis is in archiveranalysis.cpp, the zip step in archiverzipstep.cpp.
#include "publish/actionpadarchiver.h"

#include "addin/resourcemanager.h"
#include "addin/ui.h"
#include "platform/runtimeerror.h"
#include "publish/archiverdefs.h"
#include "publish/frmeditarchiveduplicates.h"
#include "publish/win32apiwrapper.h"
#include "zip/zipcomponent.h"

#include <QDir>
#include <QFile>
#include <QPointer>

namespace Brimble {

using Corvane::Zip::ZipComponent;
using namespace ArchiverDefs;

namespace {

// The add-in error with which CreateArchive fails after naming invalid action
// pad files (its texts are BrimbleError.514-description & co.).
constexpr std::int32_t kInvalidActionPadFiles = 514;

// What each entry carries besides its data: both component instances are set up alike.
constexpr qint32 kMetadataOptions =
    Corvane::Zip::MetadataOption::ModificationTime | Corvane::Zip::MetadataOption::UnixPermissions |
    Corvane::Zip::MetadataOption::AccessTime | Corvane::Zip::MetadataOption::ExtendedTimestamp;

} // namespace

ActionPadArchiver::ActionPadArchiver(QObject *parent)
    : QObject(parent)
    , m_ArchiveFiles(std::make_shared<ArchiveFileCollection>())
{
}

ActionPadArchiver::~ActionPadArchiver() = default;

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
    if (m_Previewer || m_Ended)
        Corvane::Platform::raiseError(
            Corvane::Platform::ErrorNumber::InvalidProcedureCall, kSection,
            QStringLiteral("this archiver has already made its archive; create a new "
                           "ActionPadArchiver for the next publish"));
    if (!m_ActionPads)
        Corvane::Platform::raiseError(
            Corvane::Platform::ErrorNumber::ObjectRequired, kSection,
            QStringLiteral("no action pads were handed to the archiver; set ActionPads "
                           "before CreateArchive"));

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
        m_ArchiveNames.clear();
        IndexActionPadFiles();
        m_Previewer->Preview(false);
    } catch (...) {
        // CreateArchive does not return: nobody else knows the temporary file.
        m_Ended = true;
        const QString archive = m_Previewer->archivePath();
        m_Previewer.reset();
        if (!archive.isEmpty())
            QFile::remove(archive);
        throw;
    }
    return m_Previewer->archivePath();
}

void ActionPadArchiver::DecideOnZipStep()
{
    // Run queued after the preview's completion, so that the dialog's and the
    // message boxes' own event loops never run inside a component's event.
    WarnOfSkippedLinks();
    bool proceed = true;
    if (m_HasDuplicates) {
        UI::SetMousePointer(Pointer::Default);
        EnterStateOf(QStringLiteral("UserFixDuplicates"));
        const QPointer<ActionPadArchiver> self(this);
        proceed = ShowDuplicatesDialog() == 1;
        if (!self) // the page went while the dialog was open
            return;
        if (proceed)
            UI::SetMousePointer(Pointer::Hourglass);
    }
    if (!proceed) {
        RaiseFinished(m_Previewer->archivePath());
        return;
    }
    RepointExcludedPages();
    if (!m_AnalysisOnly) {
        CreateZipFile();
        return;
    }
    m_Ended = true;
    emit AnalysisCompleted();
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
        UI::ShowMessage(message, MessageBox::OkOnly, MessageBox::Exclamation, 0);
}

QStringList ActionPadArchiver::SkippedLinks() const
{
    return m_Previewer ? m_Previewer->skippedLinks() : QStringList();
}

qint16 ActionPadArchiver::ShowDuplicatesDialog()
{
    frmEditArchiveDuplicates dialog;
    dialog.setArchiveFiles(m_ArchiveFiles);
    return m_AnalysisOnly ? dialog.DefaultChoice() : dialog.DoModal();
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
    // Later, not now: this may run under the component's own event.
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

void ActionPadArchiver::RaiseFinished(const QString &archiveName, const QString &message)
{
    // Once per publish, and always queued: never before CreateArchive has
    // returned (the page enables its button again on Finished and disables it
    // on the return) and never inside a component's event, so that the page
    // may drop the archiver in its handler.
    if (m_Ended)
        return;
    m_Ended = true;
    QMetaObject::invokeMethod(
        this,
        [this, archiveName, message] {
            if (!message.isEmpty()) {
                const QPointer<ActionPadArchiver> self(this);
                try {
                    UI::SetMousePointer(Pointer::Default);
                    UI::ShowMessage(message, MessageBox::OkOnly, MessageBox::Exclamation, 0);
                } catch (const std::exception &) {
                    // Without a host to show it, the debug line is all that is left.
                }
                if (!self)
                    return;
            }
            emit Finished(archiveName);
        },
        Qt::QueuedConnection);
}

void ActionPadArchiver::FailPublish(const QString &message)
{
    if (m_Ended)
        return;
    m_FailureDescription = message;
    if (m_Previewer)
        m_Previewer->disconnect(this);
    ReleaseComponent(m_Zipper);
    const QString archive = m_Previewer ? m_Previewer->archivePath() : QString();
    if (!archive.isEmpty()) {
        QFile file(archive);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.close();
    }
    VBDebug::DebugPrint(QStringLiteral("publish failed: ") + message);
    RaiseFinished(archive, message);
}

} // namespace Brimble
