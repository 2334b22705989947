// The zip component's worker thread: walks the list, hands the files to the
// owner's thread in batches, and writes the archive once the owner has
// decided on every file.

#include "zip/archivewriter.h"
#include "zip/zipcomponentprivate.h"

#include <QThread>

#include <chrono>

namespace Corvane::Zip {

using namespace Internal;

namespace {

// The worker hands files over in batches: every this many, or after this long.
constexpr size_t BatchSize = 256;
constexpr auto BatchDelay = std::chrono::milliseconds(50);
// The walk is much faster than the owner's handlers: it waits while this many
// messages are not yet taken, so that the files in flight stay few whatever
// the size of the tree.
constexpr size_t InboxLimit = 16 * BatchSize;

} // namespace

void ZipComponent::Private::post(std::vector<Message> &&messages)
{
    if (messages.empty())
        return;
    std::unique_lock lock(mutex);
    roomSignal.wait(lock, [this] { return inbox.size() < InboxLimit || cancel; });
    for (Message &message : messages)
        inbox.push_back(std::move(message));
    messages.clear();
    if (!drainPosted) {
        drainPosted = true;
        QMetaObject::invokeMethod(
            q, [this] { drain(); }, Qt::QueuedConnection);
    }
}

bool ZipComponent::Private::walk(const Job &job, QString *error, QStringList *skipped)
{
    std::vector<Message> batch;
    auto lastFlush = std::chrono::steady_clock::now();
    qint64 files = 0;
    qint64 bytes = 0;
    auto flushIfDue = [&] {
        const auto now = std::chrono::steady_clock::now();
        if (batch.size() >= BatchSize || now - lastFlush >= BatchDelay) {
            post(std::move(batch));
            lastFlush = now;
        }
    };
    Internal::FileWalker walker(
        job.includeSubfolders, cancel,
        [&](FileItem &&item) {
            ++files;
            bytes += item.size;
            batch.emplace_back(std::move(item));
            flushIfDue();
        },
        [&](const QString &text) { batch.emplace_back(Note{text}); });
    // Links may lead into the listed folders and into the folders named for them.
    for (const QString &entry : job.entries)
        walker.allowLinksInto(Internal::FileWalker::folderOf(entry));
    for (const QString &folder : job.linkFolders)
        walker.allowLinksInto(folder);
    bool walked = true;
    for (const QString &entry : job.entries) {
        if (!walker.walk(entry)) {
            walked = false;
            break;
        }
    }
    *error = walker.error();
    *skipped = walker.skippedLinks();
    if (job.operation == Operation::Preview) {
        Completed completed;
        completed.filesFound = files;
        completed.bytesFound = bytes;
        completed.skippedLinks = *skipped;
        if (!error->isEmpty()) {
            completed.result.code = ZipResult::ReadError;
            completed.result.error = *error;
        } else if (!walked || cancel) {
            completed.result.code = ZipResult::Cancelled;
            completed.result.error = QStringLiteral("The preview was cancelled.");
        }
        batch.emplace_back(std::move(completed));
    } else {
        batch.emplace_back(WalkDone{});
    }
    post(std::move(batch));
    return walked && !cancel;
}

void ZipComponent::Private::run(const Job &job)
{
    if (job.operation == Operation::Zip && job.archivePath.isEmpty()) {
        Completed completed;
        completed.result.code = ZipResult::WriteError;
        completed.result.error =
            QStringLiteral("No archive path is set. Set ArchivePath before calling Zip.");
        std::vector<Message> messages;
        messages.emplace_back(std::move(completed));
        post(std::move(messages));
        return;
    }
    QString walkError;
    QStringList skipped;
    walk(job, &walkError, &skipped);
    if (job.operation == Operation::Preview)
        return;

    // The owner's thread raises ZipPreprocessingFile for every file; the
    // compression starts once it has decided on all of them.
    Internal::EntryList toStore;
    {
        std::unique_lock lock(mutex);
        handedOverSignal.wait(lock, [this] { return handedOver || cancel; });
        if (!cancel)
            toStore = std::move(entries);
    }
    Completed completed;
    completed.skippedLinks = skipped;
    if (cancel) {
        completed.result.code = ZipResult::Cancelled;
        completed.result.error = QStringLiteral("The operation was cancelled; no archive was "
                                                "written.");
    } else if (!walkError.isEmpty()) {
        completed.result.code = ZipResult::ReadError;
        completed.result.error = walkError + QStringLiteral(" No archive was written.");
    } else {
        Internal::ArchiveWriter writer(job.archivePath, job.metadataOptions,
                                       QThread::idealThreadCount(), cancel,
                                       [this](qint64 files, qint64 bytes, qint64 output) {
                                           std::vector<Message> messages;
                                           messages.emplace_back(Progress{files, bytes, output});
                                           post(std::move(messages));
                                       });
        completed.result = writer.write(toStore);
    }
    std::vector<Message> messages;
    messages.emplace_back(std::move(completed));
    post(std::move(messages));
}

} // namespace Corvane::Zip
