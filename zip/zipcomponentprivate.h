#pragma once

// The zip component's inside, shared by the owner's side (zipcomponent.cpp)
// and the worker's (zipworker.cpp).

#include "zip/archiveentry.h"
#include "zip/filewalker.h"
#include "zip/zipcomponent.h"

#include <QPointer>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <variant>
#include <vector>

namespace Corvane::Zip {

namespace Internal {

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

} // namespace Internal

struct ZipComponent::Private
{
    explicit Private(ZipComponent *owner)
        : q(owner)
    {
    }

    // Owner's thread.
    int start(Internal::Operation operation);
    void stop();
    // Sets cancel and wakes the worker wherever it waits.
    void cancelWork();
    void drain();
    bool handle(Internal::Message &message, const QPointer<ZipComponent> &alive);
    bool previewFile(const Internal::FileItem &item, const QPointer<ZipComponent> &alive);
    bool preprocessFile(const Internal::FileItem &item, const QPointer<ZipComponent> &alive);
    void handOver();
    void complete(const Internal::Completed &completed);

    // Worker thread.
    void run(const Internal::Job &job);
    // Walks every entry; false when cancelled or failed (`error` says why).
    bool walk(const Internal::Job &job, QString *error, QStringList *skippedLinks);
    void post(std::vector<Internal::Message> &&messages);

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
    Internal::Operation operation = Internal::Operation::None;
    bool preserve = false; // PreservePaths as the operation started
    bool draining = false;
    std::thread worker;
    std::atomic_bool cancel{false};

    // Zip: decided on the owner's thread, handed to the worker once the walk is done.
    Internal::EntryList entries;
    qint64 filesFound = 0;
    qint64 bytesFound = 0;
    qint64 filesSkipped = 0;
    qint64 bytesSkipped = 0;
    qint64 bytesToStore = 0;

    // Shared with the worker, under the mutex.
    std::mutex mutex;
    std::condition_variable handedOverSignal;
    // The worker waits on it while the inbox is full (the owner far behind).
    std::condition_variable roomSignal;
    std::deque<Internal::Message> inbox;
    bool drainPosted = false;
    bool handedOver = false;
};

} // namespace Corvane::Zip
