#include "actionpadcommands.h"

#include "databaseaccess.h"
#include "invocation.h"

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"
#include "dravo/publishrecord.h"
#include "dravo/servercache.h"
#include "host/impl/publishedarchive.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace Corvane::Admin::ActionPadCommands {

namespace {

const QString kSource = QStringLiteral("corvane-admin");

[[noreturn]] void fail(int number, const QString &message)
{
    throw Platform::RuntimeError(number, kSource, message);
}

// Extracting and verifying need an archive; a database without one says what to do.
void requireContent(Dravo::ActionPadStore &store, const QString &where)
{
    if (!store.hasContent())
        fail(Platform::ErrorNumber::FileNotFound,
             QStringLiteral("%1 holds no action pad archive yet; publish the action pads first")
                 .arg(where));
}

QString crcText(quint32 crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0'));
}

struct StoredArchive
{
    QHash<QString, QString> attributes;
    bool stored = false;
    qint64 size = 0;
    QString sha256;
    QList<Host::PublishedArchive::Entry> entries;
    qint64 cacheGeneration = 0;
    std::optional<Dravo::PublishRecord> publish;
};

StoredArchive readStoredArchive(Dravo::Engine &engine)
{
    StoredArchive archive;
    engine.transaction(
        [&] {
            Dravo::ActionPadStore store(engine);
            archive.attributes = store.attributes();
            archive.size = store.contentSize();
            archive.sha256 = store.contentSha256();
            archive.cacheGeneration = Dravo::ServerCache(engine).generation();
            archive.publish = Dravo::PublishRecord::read(engine);
            const std::unique_ptr<Host::PublishedArchive> copy =
                Host::PublishedArchive::copyFromStore(store);
            archive.stored = copy != nullptr;
            if (copy)
                archive.entries = copy->entries();
        },
        Dravo::Engine::Access::Read);
    return archive;
}

QStringList sortedKeys(const QHash<QString, QString> &hash)
{
    QStringList keys = hash.keys();
    std::sort(keys.begin(), keys.end());
    return keys;
}

void printJson(const StoredArchive &archive, QTextStream &out)
{
    QJsonObject attributes;
    for (auto it = archive.attributes.cbegin(); it != archive.attributes.cend(); ++it)
        attributes.insert(it.key(), it.value());
    QJsonArray entries;
    for (const Host::PublishedArchive::Entry &entry : archive.entries) {
        entries.append(QJsonObject{{QStringLiteral("name"), entry.name},
                                   {QStringLiteral("size"), entry.size},
                                   {QStringLiteral("compressedSize"), entry.compressedSize},
                                   {QStringLiteral("crc32"), crcText(entry.crc32)}});
    }
    QJsonObject root{{QStringLiteral("attributes"), attributes},
                     {QStringLiteral("size"), archive.size},
                     {QStringLiteral("sha256"), archive.sha256.isEmpty()
                                                    ? QJsonValue(QJsonValue::Null)
                                                    : QJsonValue(archive.sha256)},
                     {QStringLiteral("entries"), entries},
                     {QStringLiteral("cacheGeneration"), archive.cacheGeneration}};
    if (archive.publish) {
        const Dravo::PublishRecord &publish = *archive.publish;
        root.insert(QStringLiteral("publishedAt"), publish.publishedAt.toString(Qt::ISODateWithMs));
        root.insert(QStringLiteral("summary"),
                    QJsonObject{{QStringLiteral("entries"), publish.entries},
                                {QStringLiteral("added"), publish.added},
                                {QStringLiteral("changed"), publish.changed},
                                {QStringLiteral("removed"), publish.removed}});
    }
    out << QJsonDocument(root).toJson(QJsonDocument::Indented);
}

void printText(const StoredArchive &archive, const QString &database, QTextStream &out)
{
    out << "Database: " << database << '\n';
    if (archive.stored) {
        out << "Archive: " << archive.size << " bytes, " << archive.entries.size() << " entries\n";
        out << "SHA-256: "
            << (archive.sha256.isEmpty() ? QStringLiteral("none stored") : archive.sha256) << '\n';
    } else
        out << "Archive: none stored yet (publish the action pads to store one)\n";
    if (archive.publish)
        out << "Published: " << archive.publish->publishedAt.toString(Qt::ISODate) << ", "
            << archive.publish->summary() << '\n';
    out << "Attributes:";
    if (archive.attributes.isEmpty())
        out << " none";
    out << '\n';
    for (const QString &name : sortedKeys(archive.attributes))
        out << "  " << name << " = " << archive.attributes.value(name) << '\n';
    if (!archive.entries.isEmpty()) {
        out << "Entries:\n";
        out << QStringLiteral("  %1 %2 %3  %4\n")
                   .arg(QStringLiteral("size"), 10)
                   .arg(QStringLiteral("compressed"), 10)
                   .arg(QStringLiteral("crc32"), 8)
                   .arg(QStringLiteral("name"));
        for (const Host::PublishedArchive::Entry &entry : archive.entries)
            out << QStringLiteral("  %1 %2 %3  %4\n")
                       .arg(entry.size, 10)
                       .arg(entry.compressedSize, 10)
                       .arg(crcText(entry.crc32))
                       .arg(entry.name);
    }
    out << "Cache generation: " << archive.cacheGeneration << '\n';
}

} // namespace

int show(const Invocation &invocation, QTextStream &out)
{
    std::unique_ptr<Dravo::Engine> engine = openExistingDatabase(invocation.database);
    const StoredArchive archive = readStoredArchive(*engine);
    if (invocation.has(QStringLiteral("json")))
        printJson(archive, out);
    else
        printText(archive, engine->location().displayText(), out);
    return 0;
}

int extract(const Invocation &invocation, QTextStream &out)
{
    const QString target = invocation.arguments.at(0);
    const bool toStandardOutput = target == QLatin1String("-");
    // The archive replaces a regular file only: never a device, a FIFO or a folder.
    const QFileInfo existing(target);
    if (!toStandardOutput && existing.exists() && !existing.isFile())
        fail(Platform::ErrorNumber::PathFileAccessError,
             existing.isDir()
                 ? QStringLiteral("%1 is a folder; name the file to write the archive to")
                       .arg(QDir::toNativeSeparators(target))
                 : QStringLiteral("%1 is not a regular file (a device, a FIFO or a socket); "
                                  "extract writes regular files only: name another file, or - "
                                  "for standard output")
                       .arg(QDir::toNativeSeparators(target)));
    std::unique_ptr<Dravo::Engine> engine = openExistingDatabase(invocation.database);
    qint64 written = 0;
    engine->transaction(
        [&] {
            Dravo::ActionPadStore store(*engine);
            requireContent(store, engine->location().displayText());
            if (toStandardOutput) {
                // What reaches a pipe cannot be taken back: check the bytes first.
                store.checkContent();
                QFile output;
                if (!output.open(stdout, QIODevice::WriteOnly))
                    fail(Platform::ErrorNumber::PathFileAccessError,
                         QStringLiteral("standard output cannot be written (%1)")
                             .arg(output.errorString()));
                store.readContent(output);
                if (!output.flush())
                    fail(Platform::ErrorNumber::PathFileAccessError,
                         QStringLiteral("standard output could not be written (%1)")
                             .arg(output.errorString()));
                return;
            }
            QSaveFile file(target);
            if (!file.open(QIODevice::WriteOnly))
                fail(Platform::ErrorNumber::PathFileAccessError,
                     QStringLiteral("%1 cannot be written (%2)")
                         .arg(QDir::toNativeSeparators(target), file.errorString()));
            // A damaged archive fails here, and the file is never committed.
            store.readContent(file);
            written = file.size();
            if (!file.commit())
                fail(Platform::ErrorNumber::PathFileAccessError,
                     QStringLiteral("%1 could not be written (%2)")
                         .arg(QDir::toNativeSeparators(target), file.errorString()));
        },
        Dravo::Engine::Access::Read);
    if (!toStandardOutput)
        out << "Wrote " << written << " bytes to " << QDir::toNativeSeparators(target) << '\n';
    return 0;
}

int verify(const Invocation &invocation, QTextStream &out)
{
    std::unique_ptr<Dravo::Engine> engine = openExistingDatabase(invocation.database);
    const QString where = engine->location().displayText();
    QString sha256;
    qint64 size = 0;
    std::unique_ptr<Host::PublishedArchive> archive;
    engine->transaction(
        [&] {
            Dravo::ActionPadStore store(*engine);
            requireContent(store, where);
            sha256 = store.contentSha256();
            size = store.contentSize();
            // Copying checks the bytes against the stored SHA-256.
            archive = Host::PublishedArchive::copyFromStore(store);
        },
        Dravo::Engine::Access::Read);
    if (sha256.isEmpty())
        fail(Platform::ErrorNumber::InvalidProcedureCall,
             QStringLiteral("the action pad archive stored in %1 has no SHA-256 to check it "
                            "against (it could not be read when the database was upgraded); "
                            "publish the action pads again")
                 .arg(where));
    const QStringList damaged = archive->damagedEntries();
    if (!damaged.isEmpty())
        fail(Platform::ErrorNumber::InvalidProcedureCall,
             QStringLiteral("the action pad archive stored in %1 is damaged: %2 of its %3 "
                            "entries fail their check (%4); publish the action pads again")
                 .arg(where)
                 .arg(damaged.size())
                 .arg(archive->entries().size())
                 .arg(damaged.join(QStringLiteral("; "))));
    out << "The action pad archive stored in " << where << " is sound: " << size << " bytes, "
        << archive->entries().size() << " entries, SHA-256 " << sha256 << '\n';
    return 0;
}

} // namespace Corvane::Admin::ActionPadCommands
