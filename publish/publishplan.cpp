#include "publish/publishplan.h"

#include "platform/paths.h"
#include "platform/runtimeerror.h"
#include "publish/actionpadarchiver.h"
#include "zip/filecrc.h"
#include "zip/zipnaming.h"

#include <QDir>
#include <QEventLoop>
#include <QHash>
#include <QSet>
#include <QThread>
#include <QThreadPool>

#include <algorithm>

namespace Brimble::PublishPlan {

namespace {

const QString kSource = QStringLiteral("PublishPlan");

QString crcText(quint32 crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0'));
}

// What the archiver's analysis leaves.
struct Analysis
{
    std::shared_ptr<ArchiveFileCollection> records;
    QStringList skippedLinks;
};

// Runs the archiver's analysis to its end.
Analysis runAnalysis(const std::shared_ptr<ActionPadCollection> &pads)
{
    ActionPadArchiver archiver;
    archiver.setAnalysisOnly(true);
    archiver.setActionPads(pads);
    QEventLoop loop;
    bool completed = false;
    bool failed = false;
    QObject::connect(&archiver, &ActionPadArchiver::AnalysisCompleted, &loop, [&] {
        completed = true;
        loop.quit();
    });
    QObject::connect(&archiver, &ActionPadArchiver::Finished, &loop, [&] {
        failed = true;
        loop.quit();
    });
    archiver.CreateArchive();
    if (!completed && !failed)
        loop.exec();
    if (!completed)
        Corvane::Platform::raiseError(
            Corvane::Platform::ErrorNumber::InvalidProcedureCall, kSource,
            QStringLiteral("the analysis of the action pads ended without a result; a publish "
                           "would fail the same way (see the message above)"));
    return {archiver.ArchiveFiles(), archiver.SkippedLinks()};
}

// One file to store, and what reading it gave.
struct Summed
{
    QString name;
    QString source;
    std::optional<quint32> crc;
    qint64 size = 0;
    QString reason;
};

void sumFile(Summed &file)
{
    file.crc = Corvane::Zip::fileCrc32(file.source, &file.size, &file.reason);
    if (file.crc)
        return;
    // Reported in the spelling of the pad's (lower-cased) location: where that
    // spelling is not on disk, read the file it finds, as the zip step does.
    const QString resolved = Corvane::Platform::Paths::resolveCase(file.source);
    if (resolved != file.source)
        file.crc = Corvane::Zip::fileCrc32(resolved, &file.size, &file.reason);
}

// Reading many small files is mostly waiting for the system: the files are
// shared out in contiguous runs over the machine's threads.
void sumFiles(QList<Summed> &files)
{
    const qsizetype threads = std::max(1, QThread::idealThreadCount());
    const qsizetype run = (files.size() + threads - 1) / threads;
    if (threads == 1 || files.size() < 64) {
        for (Summed &file : files)
            sumFile(file);
        return;
    }
    // Detached once, here: the threads only write their own elements.
    Summed *const data = files.data();
    QThreadPool pool;
    pool.setMaxThreadCount(static_cast<int>(threads));
    for (qsizetype first = 0; first < files.size(); first += run) {
        const qsizetype last = std::min(files.size(), first + run);
        pool.start([data, first, last] {
            for (qsizetype i = first; i < last; ++i)
                sumFile(data[i]);
        });
    }
    pool.waitForDone();
}

} // namespace

QVariantMap Analyze(const std::shared_ptr<ActionPadCollection> &pads)
{
    const Analysis analysis = runAnalysis(pads);
    const std::shared_ptr<ArchiveFileCollection> &records = analysis.records;

    // The zip step stores the records not left out, under their names made
    // safe; of two with the same name the first is stored.
    QList<Summed> files;
    QSet<QString> stored;
    QSet<const ArchiveRecord *> isStored;
    for (const ArchiveRecord &record : std::as_const(*records)) {
        const QString name = Corvane::Zip::Naming::sanitise(record.ArchiveFilename());
        if (record.IsExcluded() || name.isEmpty() || stored.contains(name))
            continue;
        stored.insert(name);
        isStored.insert(&record);
        Summed file;
        file.name = name;
        file.source = record.SourceFilename();
        files.append(file);
    }
    sumFiles(files);

    QVariantList entries;
    qint64 totalSize = 0;
    for (const Summed &file : std::as_const(files)) {
        // The first file that cannot be read, in the order the zip step reads them.
        if (!file.crc)
            Corvane::Platform::raiseError(
                Corvane::Platform::ErrorNumber::PathFileAccessError, kSource,
                QStringLiteral("%1 cannot be read (%2); a publish would stop there. Make it "
                               "readable or move it out of the action pad folder")
                    .arg(QDir::toNativeSeparators(file.source), file.reason));
        totalSize += file.size;
        entries.append(QVariantMap{{QStringLiteral("name"), file.name},
                                   {QStringLiteral("source"), file.source},
                                   {QStringLiteral("size"), file.size},
                                   {QStringLiteral("crc32"), crcText(*file.crc)}});
    }

    // The clashes: names the archiver found taken before, in any letter case.
    QHash<CaseBlindKey, QList<const ArchiveRecord *>> groups;
    QList<CaseBlindKey> order;
    for (const ArchiveRecord &record : std::as_const(*records)) {
        const CaseBlindKey key{record.ArchiveNameView()};
        QList<const ArchiveRecord *> &group = groups[key];
        if (group.size() == 1)
            order.append(key);
        group.append(&record);
    }
    QVariantList clashes;
    for (const CaseBlindKey &key : order) {
        const QList<const ArchiveRecord *> &group = groups.value(key);
        QString kept;
        QStringList left;
        for (const ArchiveRecord *record : group) {
            if (kept.isEmpty() && isStored.contains(record))
                kept = record->SourceFilename();
            else if (!isStored.contains(record))
                left.append(record->SourceFilename());
        }
        clashes.append(QVariantMap{{QStringLiteral("name"), group.constFirst()->ArchiveFilename()},
                                   {QStringLiteral("kept"), kept},
                                   {QStringLiteral("left"), left}});
    }

    // What UpdatePublished writes after the publish: the database's and the
    // overview's pads their published name, or nothing (a null value: the
    // attribute is removed) when the archive holds no page of theirs.
    QVariantMap attributes;
    for (const auto &item : *pads) {
        const actionPad &pad = *item.second;
        const QString attribute = pad.AttributeName();
        if (attribute.isEmpty())
            continue;
        const QString value = pad.PublishedFileName();
        attributes.insert(attribute, value.isEmpty() ? QVariant() : QVariant(value));
    }

    return {{QStringLiteral("entries"), entries},
            {QStringLiteral("clashes"), clashes},
            {QStringLiteral("skippedLinks"), analysis.skippedLinks},
            {QStringLiteral("attributes"), attributes},
            {QStringLiteral("totalSize"), totalSize},
            {QStringLiteral("overLimit"), totalSize > kArchiveSizeLimit}};
}

} // namespace Brimble::PublishPlan
