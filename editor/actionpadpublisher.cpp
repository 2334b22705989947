#include "editor/actionpadpublisher.h"

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/ui.h"
#include "addin/vbdebug.h"
#include "editor/formsupport.h"
#include "host/api/application.h"
#include "host/api/database.h"
#include "host/api/settingsnode.h"
#include "host/api/table.h"
#include "model/dravowrapper.h"
#include "platform/numberformat.h"
#include "platform/paths.h"
#include "platform/runtimeerror.h"
#include "publish/actionpadarchiver.h"
#include "publish/publishplan.h"

namespace Brimble {

namespace {

using Corvane::Host::MessageBoxCode::AnswerYes;
using Corvane::Host::MessageBoxCode::Exclamation;
using Corvane::Host::MessageBoxCode::Question;
using Corvane::Host::MessageBoxCode::YesNo;
using Corvane::Platform::raiseError;
using FormSupport::errorDescription;
namespace ErrorNumber = Corvane::Platform::ErrorNumber;
namespace Paths = Corvane::Platform::Paths;
using ResourceManager::GetText;

const QString kSection = QStringLiteral("ActionPadEditor");
const QString kStatusSection = QStringLiteral("PublishStatus");
const QString kSource = QStringLiteral("ucActionPadEditor");

// Archives above this size (10 MB) are published only after the user agreed.
constexpr qint64 kArchiveSizeLimit = 10485760;
constexpr double kBytesPerMegabyte = 1048576.0;

constexpr std::int16_t kDefaultPointer = Corvane::Host::MousePointerCode::Default;
constexpr std::int16_t kHourglass = Corvane::Host::MousePointerCode::Hourglass;

namespace Outcome {
const QString Running = QStringLiteral("running");
const QString Published = QStringLiteral("published");
const QString Declined = QStringLiteral("declined");
const QString Cancelled = QStringLiteral("cancelled");
const QString Failed = QStringLiteral("failed");
// Stored and committed, but the server's cache refresh failed afterwards.
const QString NotRefreshed = QStringLiteral("published-not-refreshed");
} // namespace Outcome

Corvane::Host::IDatabase &openDatabase()
{
    Corvane::Host::IDatabase *database = ApplicationManager::GetDatabase();
    if (!database)
        raiseError(ErrorNumber::ObjectRequired, kSource,
                   QStringLiteral("no database is open; open the database whose action pads "
                                  "are to be published and publish again"));
    return *database;
}

// The value of a settings node, as text; a missing node or value is the empty text.
QString settingText(const std::shared_ptr<Corvane::Host::ISettingsNode> &node, const QString &name)
{
    return node ? node->Value(name).toString() : QString();
}

std::shared_ptr<Corvane::Host::ISettingsNode>
childNode(const std::shared_ptr<Corvane::Host::ISettingsNode> &node, const QString &path)
{
    return node ? node->Node(path) : nullptr;
}

void deleteIfPresent(const QString &fileName)
{
    if (fileName.isEmpty() || !Paths::fileExists(fileName))
        return;
    if (!Paths::deleteFile(fileName))
        raiseError(ErrorNumber::PathFileAccessError, kSource,
                   QStringLiteral("the temporary archive \"%1\" could not be deleted; make it "
                                  "writable or delete it, then publish again")
                       .arg(fileName));
}

} // namespace

ActionPadPublisher::ActionPadPublisher(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("ActionPadPublisher"));
}

ActionPadPublisher::~ActionPadPublisher()
{
    // A publish still under way ends here: the archiver stops its zip work and
    // raises no further event, nothing is stored, and its file goes.
    m_ActionPadArchiver.reset();
    try {
        deleteIfPresent(m_ArchiveFileName);
        if (m_Publishing)
            UI::SetMousePointer(kDefaultPointer);
    } catch (const std::exception &error) {
        qCWarning(lcEditor) << "closing the action pad page:" << errorDescription(error);
    }
}

QVariantMap ActionPadPublisher::Analyze()
{
    try {
        LoadActionPads();
        return PublishPlan::Analyze(m_ActionPads);
    } catch (const std::exception &error) {
        return {{QStringLiteral("error"), errorDescription(error)}};
    }
}

void ActionPadPublisher::ResetStatus()
{
    m_Status = GetText(QStringLiteral("lblStatus"), kSection);
}

void ActionPadPublisher::Publish()
{
    try {
        const QString question =
            ResourceManager::FormatText(GetText(QStringLiteral("ConfirmPublish"), kSection));
        if (UI::ShowMessage(question, YesNo, Question, 0) != AnswerYes) {
            SetOutcome(Outcome::Declined);
            return;
        }
        m_Publishing = true;
        SetOutcome(Outcome::Running);
        UI::SetMousePointer(kHourglass);
        deleteIfPresent(m_ArchiveFileName);
        LoadActionPads();

        m_ActionPadArchiver = std::make_unique<ActionPadArchiver>(this);
        connect(m_ActionPadArchiver.get(), &ActionPadArchiver::EnterState, this,
                &ActionPadPublisher::m_ActionPadArchiver_EnterState);
        connect(m_ActionPadArchiver.get(), &ActionPadArchiver::ZipPercentComplete, this,
                &ActionPadPublisher::m_ActionPadArchiver_ZipPercentComplete);
        connect(m_ActionPadArchiver.get(), &ActionPadArchiver::Finished, this,
                &ActionPadPublisher::m_ActionPadArchiver_Finished);
        m_ActionPadArchiver->setActionPads(m_ActionPads);
        m_ArchiveFileName = m_ActionPadArchiver->CreateArchive();

        // The archiver may already have finished inside CreateArchive; then
        // the completion flow has left the page idle and it stays so.
        if (m_Publishing)
            emit PublishingChanged(true);
    } catch (const std::exception &error) {
        m_Publishing = false;
        try {
            UI::SetMousePointer(kDefaultPointer);
        } catch (const std::exception &pointerError) {
            qCWarning(lcEditor) << "restoring the mouse pointer:" << errorDescription(pointerError);
        }
        FormSupport::reportError(errorDescription(error));
        SetOutcome(Outcome::Failed);
    }
}

void ActionPadPublisher::LoadActionPads()
{
    m_ActionPads = std::make_shared<ActionPadCollection>();
    Corvane::Host::IDatabase &database = openDatabase();
    const auto inspectors = childNode(database.Settings(), QStringLiteral("Inspectors"));

    Corvane::Host::ITables *tables = database.Tables();
    if (!tables)
        raiseError(ErrorNumber::ObjectRequired, kSource,
                   QStringLiteral("the open database gave no table collection"));
    const int count = tables->Count();
    for (int position = 0; position < count; ++position) {
        const std::shared_ptr<Corvane::Host::ITable> table = tables->At(position);
        if (!table)
            raiseError(
                ErrorNumber::ObjectRequired, kSource,
                QStringLiteral("the open database gave no table at position %1").arg(position));
        QString source = table->Name();
        if (source.isEmpty())
            source = table->FallbackName();
        const auto webBar =
            childNode(childNode(inspectors, table->InspectorName()), QStringLiteral("WebBar"));
        const QString url = settingText(webBar, QStringLiteral("URL")).toLower();
        AddActionPad(source, url, table->Id());
    }
    AddActionPad(actionPad::DatabaseSource, ApplicationManager::GetWebBarUrl().toLower(), 0);
    AddActionPad(actionPad::OverviewSource, ApplicationManager::GetOverviewUrl().toLower(), 0);
}

void ActionPadPublisher::AddActionPad(const QString &source, const QString &fileName,
                                      qint32 tableId)
{
    if (!m_ActionPads)
        m_ActionPads = std::make_shared<ActionPadCollection>();

    // A local file name loses its query part; a web address keeps it.
    QString file = fileName;
    if (!file.isEmpty() && !ApplicationManager::IsUrl(file)) {
        const qsizetype query = file.indexOf(QLatin1Char('?'));
        if (query >= 0)
            file.truncate(query);
    }

    auto pad = std::make_shared<actionPad>();
    pad->setTableId(tableId);
    pad->setSource(source);
    pad->setFilename(file);
    const QString key = pad->TableId() == 0 ? pad->Source() : QString::number(pad->TableId());
    m_ActionPads->add(key, std::move(pad));
}

void ActionPadPublisher::SetStatus(const QString &text)
{
    m_Status = text;
    emit StatusChanged(text);
}

void ActionPadPublisher::m_ActionPadArchiver_EnterState(const QString &state)
{
    SetStatus(state);
}

void ActionPadPublisher::m_ActionPadArchiver_ZipPercentComplete(qint16 percent)
{
    Q_UNUSED(percent) // one dot per step, whatever the step
    SetStatus(m_Status + QLatin1Char('.'));
}

void ActionPadPublisher::m_ActionPadArchiver_Finished(const QString &archiveName)
{
    QString outcome;
    try {
        VBDebug::DebugPrint(QStringLiteral("archive: ") + archiveName);
        m_ArchiveFileName = archiveName;
        UI::SetMousePointer(kHourglass);
        const QString failure =
            m_ActionPadArchiver ? m_ActionPadArchiver->FailureDescription() : QString();
        if (!failure.isEmpty()) {
            // The archiver failed (a zip error, a file gone) and has told the
            // user; the empty file it leaves must not be stored.
            SetStatus(QStringLiteral("Error: ") + failure);
            outcome = Outcome::Failed;
        } else if (Paths::fileSize(archiveName) == 0) {
            // The archiver ended without an archive: the user cancelled in the
            // duplicates dialog. The empty file must not replace the archive
            // published before.
            SetStatus(GetText(QStringLiteral("lblStatus"), kSection));
            outcome = Outcome::Cancelled;
        } else if (ConfirmArchiveSize(archiveName)) {
            outcome = StoreArchive(archiveName) ? Outcome::Published : Outcome::NotRefreshed;
        } else {
            SetStatus(GetText(QStringLiteral("lblStatus"), kSection));
            outcome = Outcome::Declined;
        }
    } catch (const std::exception &error) {
        const QString description = errorDescription(error);
        SetStatus(QStringLiteral("Error: ") + description);
        FormSupport::reportError(description);
        outcome = Outcome::Failed;
    }
    EndPublish();
    SetOutcome(outcome);
}

bool ActionPadPublisher::StoreArchive(const QString &archiveName)
{
    SetStatus(GetText(QStringLiteral("CopyArchiveToDatabase"), kStatusSection));
    const std::shared_ptr<ActionPadCollection> actionPads =
        m_ActionPadArchiver ? m_ActionPadArchiver->ActionPads() : nullptr;
    if (!actionPads)
        raiseError(ErrorNumber::ObjectRequired, kSource,
                   QStringLiteral("no action pads are known to write back with the archive "
                                  "\"%1\"; publish again")
                       .arg(archiveName));
    Corvane::Host::IDatabase *database = ApplicationManager::GetDatabase();
    if (!database)
        raiseError(ErrorNumber::ObjectRequired, kSource,
                   QStringLiteral("the archive \"%1\" cannot be stored: no database is open")
                       .arg(archiveName));

    // The archive and the pages' attributes change together or not at all:
    // an interrupted publish must never pair the new archive with old names.
    DravoWrapper wrapper;
    database->BeginTrans();
    try {
        wrapper.UpdateActionPadFile(archiveName);
        for (const auto &entry : *actionPads)
            entry.second->UpdatePublished();
        database->CommitTrans();
    } catch (...) {
        try {
            database->Rollback();
        } catch (const std::exception &error) {
            VBDebug::DebugPrint(QStringLiteral("rollback: ") + errorDescription(error));
        }
        throw;
    }

    // The server's procedure runs on a connection of its own, after the commit.
    // The archive is published by then, whatever the refresh does.
    try {
        wrapper.RefreshCache();
    } catch (const std::exception &error) {
        const QString text = ResourceManager::FormatText(
            GetText(QStringLiteral("CacheNotRefreshed"), kStatusSection),
            errorDescription(error).simplified()); // a status is one line
        SetStatus(text);
        FormSupport::reportError(text);
        return false;
    }
    SetStatus(GetText(QStringLiteral("ActionPadsPublished"), kStatusSection));
    return true;
}

bool ActionPadPublisher::ConfirmArchiveSize(const QString &archiveName)
{
    const qint64 size = Paths::fileSize(archiveName);
    if (size < 0)
        raiseError(ErrorNumber::FileNotFound, kSource,
                   QStringLiteral("the archive \"%1\" is missing; publish again").arg(archiveName));
    if (size <= kArchiveSizeLimit)
        return true;

    const double megabytes = static_cast<double>(Paths::fileSize(archiveName)) / kBytesPerMegabyte;
    const QString warning =
        ResourceManager::FormatText(GetText(QStringLiteral("Warning_ToLargeArchiveFile"), kSection),
                                    Corvane::Platform::formatFixed(megabytes, 1));
    return UI::ShowMessage(warning, YesNo, Exclamation, 0) == AnswerYes;
}

// Back to idle, whichever way the publish ended.
void ActionPadPublisher::EndPublish()
{
    try {
        deleteIfPresent(m_ArchiveFileName);
    } catch (const std::exception &error) {
        VBDebug::DebugPrint(errorDescription(error));
    }
    m_Publishing = false;
    emit PublishingChanged(false);
    try {
        UI::SetMousePointer(kDefaultPointer);
    } catch (const std::exception &error) {
        qCWarning(lcEditor) << "restoring the mouse pointer:" << errorDescription(error);
    }
}

void ActionPadPublisher::SetOutcome(const QString &outcome)
{
    m_Outcome = outcome;
    emit OutcomeChanged(outcome);
}

} // namespace Brimble
