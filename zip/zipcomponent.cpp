#include "zipcomponent.h"

#include "platform/debugoutput.h"
#include "zip/zipcomponentprivate.h"
#include "zip/zipnaming.h"

namespace Corvane::Zip {

using namespace Internal;

namespace {

// Messages handled in one turn of the owner's event loop, so that it stays responsive.
constexpr size_t DrainLimit = 2048;

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
    entries = {};
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

void ZipComponent::Private::cancelWork()
{
    cancel = true;
    std::lock_guard lock(mutex);
    handedOverSignal.notify_all();
    roomSignal.notify_all();
}

void ZipComponent::Private::stop()
{
    cancelWork();
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
        roomSignal.notify_all();
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
    const bool duplicate = !excluded && entries.contains(entryName);
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
    entries.add(
        {item.size, item.modifiedMs, item.accessedMs, item.attributes, item.unixMode, store},
        item.sourcePath, item.diskPath, entryName);
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
    d->cancelWork();
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
