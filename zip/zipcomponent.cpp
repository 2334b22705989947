#include "zipcomponent.h"

#include "platform/debugoutput.h"
#include "zip/archivewriter.h"
#include "zip/filewalker.h"
#include "zip/zipnaming.h"

#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <variant>
#include <vector>

namespace Corvane::Zip {

using Internal::ArchiveEntry;
using Internal::FileItem;
using Internal::WriteResult;

namespace {

enum class Operation
{
    None,
    Preview,
    Zip
};

// What the worker hands to the owner's thread, in order.
struct Note
{
    QString text; // one debug line
};
struct WalkDone
{
};
struct Progress
{
    qint64 files;
    qint64 bytes;
    qint64 output;
};
struct Completed
{
    WriteResult result;
    qint64 filesFound = 0; // preview only: the zip counts on the owner's side
    qint64 bytesFound = 0;
    QStringList skippedLinks;
};
using Message = std::variant<FileItem, Note, WalkDone, Progress, Completed>;

// The worker hands files over in batches: every this many, or after this long.
constexpr size_t BatchSize = 256;
constexpr auto BatchDelay = std::chrono::milliseconds(50);
// Messages handled in one turn of the owner's event loop, so that it stays responsive.
constexpr size_t DrainLimit = 2048;

// What an operation reads from the properties when it starts.
struct Job
{
    Operation operation = Operation::None;
    QStringList entries;
    bool includeSubfolders = false;
    QString archivePath;
    qint32 metadataOptions = 0;
    QStringList linkFolders;
};

QDateTime utc(qint64 millis)
{
    return QDateTime::fromMSecsSinceEpoch(millis, Qt::UTC);
}

qint16 percentOf(qint64 part, qint64 whole)
{
    return whole > 0 ? qint16(part * 100 / whole) : qint16(100);
}

void debugLine(const QString &text)
{
    Platform::outputDebugString(text.toUtf8() + '\n');
}

} // namespace

struct ZipComponent::Private
{
    explicit Private(ZipComponent *owner)
        : q(owner)
    {
    }

    // Owner's thread.
    int start(Operation operation);
    void stop();
    void drain();
    bool handle(Message &message, const QPointer<ZipComponent> &alive);
    bool previewFile(const FileItem &item, const QPointer<ZipComponent> &alive);
    bool preprocessFile(const FileItem &item, const QPointer<ZipComponent> &alive);
    void handOver();
    void complete(const Completed &completed);

    // Worker thread.
    void run(const Job &job);
    // Walks every entry; false when cancelled or failed (`error` says why).
    bool walk(const Job &job, QString *error, QStringList *skippedLinks);
    void post(std::vector<Message> &&messages);

    ZipComponent *q;

    // Properties.
    QString filesToProcess;
    QString archivePath;
    bool includeSubfolders = false;
    bool preservePaths = false;
    qint32 metadataOptions = MetadataOption::All;
    QStringList linkFolders;
    QString lastError;
    QStringList skippedLinks;

    // The operation under way (owner's thread).
    Operation operation = Operation::None;
    bool preserve = false; // PreservePaths as the operation started
    bool draining = false;
    std::thread worker;
    std::atomic_bool cancel{false};

    // Zip: decided on the owner's thread, handed to the worker once the walk is done.
    Internal::EntryList entries;
    // The names of the entries, viewed where the entries keep them (a deque
    // does not move what it holds): each name is kept once.
    QSet<QStringView> names;
    qint64 filesFound = 0;
    qint64 bytesFound = 0;
    qint64 filesSkipped = 0;
    qint64 bytesSkipped = 0;
    qint64 bytesToStore = 0;

    // Shared with the worker, under the mutex.
    std::mutex mutex;
    std::condition_variable handedOverSignal;
    std::deque<Message> inbox;
    bool drainPosted = false;
    bool handedOver = false;
};

// ---- owner's thread -------------------------------------------------------

int ZipComponent::Private::start(Operation kind)
{
    if (operation != Operation::None)
        return ZipResult::Busy;
    if (worker.joinable())
        worker.join();
    cancel = false;
    lastError.clear();
    skippedLinks.clear();
    entries.clear();
    names.clear();
    filesFound = bytesFound = filesSkipped = bytesSkipped = bytesToStore = 0;
    handedOver = false;
    operation = kind;
    preserve = preservePaths;

    Job job;
    job.operation = kind;
    job.entries = Naming::splitFileList(filesToProcess);
    job.includeSubfolders = includeSubfolders;
    job.archivePath = archivePath;
    job.metadataOptions = metadataOptions;
    job.linkFolders = linkFolders;
    worker = std::thread([this, job] { run(job); });
    return ZipResult::Success;
}

void ZipComponent::Private::stop()
{
    cancel = true;
    {
        std::lock_guard lock(mutex);
        handedOverSignal.notify_all();
    }
    if (worker.joinable())
        worker.join();
}

void ZipComponent::Private::drain()
{
    if (draining)
        return; // a handler runs a nested event loop: the outer turn goes on afterwards
    std::vector<Message> batch;
    {
        std::lock_guard lock(mutex);
        const size_t count = std::min(inbox.size(), DrainLimit);
        batch.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            batch.push_back(std::move(inbox.front()));
            inbox.pop_front();
        }
    }
    // A handler may destroy the component; nothing of it is touched after that.
    const QPointer<ZipComponent> alive(q);
    draining = true;
    for (Message &message : batch) {
        if (!handle(message, alive))
            return;
    }
    draining = false;
    std::lock_guard lock(mutex);
    if (inbox.empty())
        drainPosted = false;
    else
        QMetaObject::invokeMethod(
            q, [this] { drain(); }, Qt::QueuedConnection);
}

bool ZipComponent::Private::handle(Message &message, const QPointer<ZipComponent> &alive)
{
    if (const auto *item = std::get_if<FileItem>(&message)) {
        if (cancel)
            return true; // no per-file event once cancelled
        return operation == Operation::Preview ? previewFile(*item, alive)
                                               : preprocessFile(*item, alive);
    }
    if (const auto *note = std::get_if<Note>(&message)) {
        debugLine(note->text);
    } else if (std::holds_alternative<WalkDone>(message)) {
        handOver();
    } else if (const auto *progress = std::get_if<Progress>(&message)) {
        const qint64 filesToStore = filesFound - filesSkipped;
        const qint64 stored = std::max<qint64>(progress->bytes, 1);
        const qint16 ratio =
            progress->output > 0
                ? qint16(std::clamp<qint64>(100 - progress->output * 100 / stored, 0, 100))
                : qint16(0);
        // 100 percent only once the archive is complete (its size is known then).
        const qint16 most = progress->output > 0 ? 100 : 99;
        emit q->GlobalStatus(qint32(filesFound), qint32(progress->files), qint32(filesSkipped),
                             std::min(percentOf(progress->files, filesToStore), most), bytesFound,
                             progress->bytes, bytesSkipped,
                             std::min(percentOf(progress->bytes, bytesToStore), most),
                             progress->output, ratio);
        return !alive.isNull();
    } else if (const auto *completed = std::get_if<Completed>(&message)) {
        complete(*completed);
        return !alive.isNull();
    }
    return true;
}

bool ZipComponent::Private::previewFile(const FileItem &item, const QPointer<ZipComponent> &alive)
{
    emit q->PreviewingFile(Naming::defaultName(item.sourcePath, preserve), item.sourcePath,
                           item.size, item.attributes, utc(item.modifiedMs), utc(item.accessedMs),
                           utc(item.createdMs), false, 0);
    return !alive.isNull();
}

bool ZipComponent::Private::preprocessFile(const FileItem &item,
                                           const QPointer<ZipComponent> &alive)
{
    const QString defaultName = Naming::defaultName(item.sourcePath, preserve);
    const bool store = Naming::isAlreadyCompressed(item.sourcePath);
    QString name = defaultName;
    bool excluded = false;
    emit q->ZipPreprocessingFile(&name, QString(), item.sourcePath, item.size, item.attributes,
                                 utc(item.modifiedMs), utc(item.accessedMs), utc(item.createdMs),
                                 store ? 0 : 8, false, QString(), &excluded, 0, false);
    if (alive.isNull())
        return false;

    ++filesFound;
    bytesFound += item.size;
    QString entryName = Naming::sanitise(name);
    if (entryName.isEmpty())
        entryName = Naming::sanitise(defaultName);
    const bool duplicate = !excluded && names.contains(entryName);
    if (excluded || duplicate || entryName.isEmpty()) {
        if (duplicate) {
            debugLine(QStringLiteral("zip: left out \"%1\": the archive holds \"%2\" already")
                          .arg(item.sourcePath, entryName));
        } else if (!excluded) {
            debugLine(
                QStringLiteral("zip: left out \"%1\": no usable entry name").arg(item.sourcePath));
        }
        ++filesSkipped;
        bytesSkipped += item.size;
        return true;
    }
    bytesToStore += item.size;
    ArchiveEntry entry(item.sourcePath, item.diskPath, entryName);
    entry.size = item.size;
    entry.modifiedMs = item.modifiedMs;
    entry.accessedMs = item.accessedMs;
    entry.attributes = item.attributes;
    entry.unixMode = item.unixMode;
    entry.store = store;
    entries.push_back(std::move(entry));
    names.insert(entries.back().name());
    return true;
}

void ZipComponent::Private::handOver()
{
    std::lock_guard lock(mutex);
    handedOver = true;
    handedOverSignal.notify_all();
}

void ZipComponent::Private::complete(const Completed &completed)
{
    const bool preview = operation == Operation::Preview;
    operation = Operation::None;
    const WriteResult &result = completed.result;
    lastError = result.error;
    skippedLinks = completed.skippedLinks;
    if (result.code == ZipResult::ReadError || result.code == ZipResult::WriteError)
        debugLine(QStringLiteral("zip: ") + result.error);
    if (preview) {
        emit q->ProcessCompleted(qint32(completed.filesFound), qint32(completed.filesFound), 0,
                                 completed.bytesFound, completed.bytesFound, 0, 0, 0, result.code);
        return;
    }
    const qint16 ratio = result.bytesWritten > 0 && result.bytesOutput > 0
                             ? qint16(std::clamp<qint64>(
                                   100 - result.bytesOutput * 100 / result.bytesWritten, 0, 100))
                             : qint16(0);
    emit q->ProcessCompleted(qint32(filesFound), qint32(result.filesWritten), qint32(filesSkipped),
                             bytesFound, result.bytesWritten, bytesSkipped, result.bytesOutput,
                             ratio, result.code);
}

// ---- worker thread --------------------------------------------------------

void ZipComponent::Private::post(std::vector<Message> &&messages)
{
    if (messages.empty())
        return;
    std::lock_guard lock(mutex);
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

// ---- public interface -----------------------------------------------------

ZipComponent::ZipComponent(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this))
{
}

ZipComponent::~ZipComponent()
{
    d->stop();
}

QString ZipComponent::filesToProcess() const
{
    return d->filesToProcess;
}

void ZipComponent::setFilesToProcess(const QString &files)
{
    d->filesToProcess = files;
}

QString ZipComponent::archivePath() const
{
    return d->archivePath;
}

void ZipComponent::setArchivePath(const QString &path)
{
    d->archivePath = path;
}

bool ZipComponent::includeSubfolders() const
{
    return d->includeSubfolders;
}

void ZipComponent::setIncludeSubfolders(bool on)
{
    d->includeSubfolders = on;
}

bool ZipComponent::preservePaths() const
{
    return d->preservePaths;
}

void ZipComponent::setPreservePaths(bool on)
{
    d->preservePaths = on;
}

qint32 ZipComponent::metadataOptions() const
{
    return d->metadataOptions;
}

void ZipComponent::setMetadataOptions(qint32 options)
{
    d->metadataOptions = options;
}

QStringList ZipComponent::linkFolders() const
{
    return d->linkFolders;
}

void ZipComponent::setLinkFolders(const QStringList &folders)
{
    d->linkFolders = folders;
}

QStringList ZipComponent::skippedLinks() const
{
    return d->skippedLinks;
}

int ZipComponent::Preview(bool reserved)
{
    Q_UNUSED(reserved);
    return d->start(Operation::Preview);
}

int ZipComponent::Zip()
{
    return d->start(Operation::Zip);
}

void ZipComponent::Cancel()
{
    if (d->operation == Operation::None)
        return;
    d->cancel = true;
    std::lock_guard lock(d->mutex);
    d->handedOverSignal.notify_all();
}

bool ZipComponent::isBusy() const
{
    return d->operation != Operation::None;
}

QString ZipComponent::lastError() const
{
    return d->lastError;
}

} // namespace Corvane::Zip
