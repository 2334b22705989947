#include "actionpadstore.h"

#include "chunktable.h"
#include "engine.h"
#include "publishrecord.h"
#include "query.h"

#include "platform/paths.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>

#include <openssl/evp.h>

#include <future>
#include <memory>

namespace Corvane::Dravo {

namespace {

using Platform::ErrorNumber::FileNotFound;
using Platform::ErrorNumber::InvalidProcedureCall;
using Platform::ErrorNumber::PathFileAccessError;

[[noreturn]] void damaged(Engine &engine, const QString &detail)
{
    Platform::raiseError(InvalidProcedureCall, Internal::errorSource(),
                         QStringLiteral("the action pad archive stored in %1 is damaged: %2. "
                                        "Publish the action pads again.")
                             .arg(engine.location().displayText(), detail));
}

// Fills `buffer` from the file as far as it goes; the number of bytes read.
qint64 readFull(QFile &file, char *buffer, qint64 size)
{
    qint64 total = 0;
    while (total < size) {
        const qint64 n = file.read(buffer + total, size - total);
        if (n < 0)
            Platform::raiseError(
                PathFileAccessError, Internal::errorSource(),
                QStringLiteral("cannot read the file %1: %2")
                    .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
        if (n == 0)
            break;
        total += n;
    }
    return total;
}

// SHA-256 through OpenSSL's libcrypto, which the PostgreSQL client library
// brings into the process anyway: it uses the processor's SHA instructions
// and hashes an archive several times as fast as QCryptographicHash.
class Sha256
{
public:
    Sha256()
        : m_context(EVP_MD_CTX_new(), &EVP_MD_CTX_free)
    {
        check(m_context && EVP_DigestInit_ex(m_context.get(), EVP_sha256(), nullptr) == 1);
    }
    void addData(const char *data, qint64 size)
    {
        check(EVP_DigestUpdate(m_context.get(), data, static_cast<size_t>(size)) == 1);
    }
    // 64 lower-case hex digits; ends the hashing.
    QString hexResult()
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        check(EVP_DigestFinal_ex(m_context.get(), digest, &length) == 1);
        return QString::fromLatin1(
            QByteArray(reinterpret_cast<const char *>(digest), static_cast<qsizetype>(length))
                .toHex());
    }

private:
    static void check(bool done)
    {
        if (!done)
            Platform::raiseError(InvalidProcedureCall, Internal::errorSource(),
                                 QStringLiteral("the SHA-256 of the action pad archive cannot be "
                                                "computed: the OpenSSL library failed"));
    }

    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> m_context;
};

// Passes the bytes written to it on to `target` (when there is one) and
// hashes them.
class HashingDevice final : public QIODevice
{
public:
    explicit HashingDevice(QIODevice *target)
        : m_target(target)
    {
        open(QIODevice::WriteOnly);
    }
    QString hexResult() { return m_hash.hexResult(); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (m_target && m_target->write(data, size) != size) {
            setErrorString(m_target->errorString());
            return -1;
        }
        m_hash.addData(data, size);
        return size;
    }

private:
    QIODevice *m_target;
    Sha256 m_hash;
};

struct StoredBytes
{
    bool stored = false;  // whether an archive is stored at all
    QString problem;      // why the chunks are not the archive; empty when they are
    QString sha256;       // of the bytes read
    QString storedSha256; // as recorded with the archive
};

// Reads the stored chunks in order into `out`, without a transaction of its own.
StoredBytes streamContent(Engine &engine, QIODevice *out)
{
    StoredBytes result;
    Internal::Query header(
        engine, QStringLiteral("SELECT size, chunk_count, sha256 FROM actionpad_content"),
        QStringLiteral("read the action pad archive"));
    header.exec();
    if (!header.next())
        return result;
    result.stored = true;
    const qint64 size = header.value(0).toLongLong();
    const qint32 chunkCount = header.value(1).toInt();
    result.storedSha256 = header.value(2).toString();
    header.finish();

    HashingDevice hashing(out);
    const std::unique_ptr<Internal::ChunkTable> chunks = Internal::ChunkTable::forEngine(engine);
    qint64 total = 0;
    for (qint32 seq = 0; seq < chunkCount; ++seq) {
        const qint64 n = chunks->readInto(seq, hashing);
        if (n < 0) {
            result.problem =
                QStringLiteral("part %1 of %2 is missing").arg(seq + 1).arg(chunkCount);
            return result;
        }
        total += n;
    }
    result.sha256 = hashing.hexResult();
    if (total != size)
        result.problem = QStringLiteral("it holds %1 bytes instead of %2").arg(total).arg(size);
    else if (!result.storedSha256.isEmpty() && result.storedSha256 != result.sha256)
        result.problem = QStringLiteral("its bytes do not match the SHA-256 stored with it "
                                        "(stored %1, read %2)")
                             .arg(result.storedSha256, result.sha256);
    return result;
}

} // namespace

bool ActionPadStore::hasContent()
{
    Internal::Query query(m_engine, QStringLiteral("SELECT COUNT(*) FROM actionpad_content"),
                          QStringLiteral("look for the action pad archive"));
    return query.scalar().toLongLong() > 0;
}

qint64 ActionPadStore::contentSize()
{
    Internal::Query query(m_engine, QStringLiteral("SELECT size FROM actionpad_content"),
                          QStringLiteral("read the size of the action pad archive"));
    return query.scalar().toLongLong();
}

QString ActionPadStore::contentSha256()
{
    Internal::Query query(m_engine, QStringLiteral("SELECT sha256 FROM actionpad_content"),
                          QStringLiteral("read the checksum of the action pad archive"));
    return query.scalar().toString();
}

void ActionPadStore::readContent(QIODevice &out)
{
    // One snapshot: a save committed meanwhile by another connection is not
    // mixed into the bytes.
    m_engine.transaction(
        [&] {
            const StoredBytes read = streamContent(m_engine, &out);
            if (!read.problem.isEmpty())
                damaged(m_engine, read.problem);
        },
        Engine::Access::Read);
}

void ActionPadStore::checkContent()
{
    m_engine.transaction(
        [&] {
            const StoredBytes read = streamContent(m_engine, nullptr);
            if (!read.problem.isEmpty())
                damaged(m_engine, read.problem);
        },
        Engine::Access::Read);
}

void ActionPadStore::recordMissingChecksum()
{
    m_engine.transaction([&] {
        const StoredBytes read = streamContent(m_engine, nullptr);
        if (!read.stored || !read.storedSha256.isEmpty() || !read.problem.isEmpty())
            return;
        Internal::Query update(m_engine, QStringLiteral("UPDATE actionpad_content SET sha256 = ?"),
                               QStringLiteral("store the checksum of the action pad archive"));
        update.bind(read.sha256).exec();
    });
}

QHash<QString, QString> ActionPadStore::attributes()
{
    Internal::Query query(m_engine, QStringLiteral("SELECT name, value FROM actionpad_attribute"),
                          QStringLiteral("read the attributes of the action pad file"));
    query.exec();
    QHash<QString, QString> result;
    while (query.next())
        result.insert(query.value(0).toString(), query.value(1).toString());
    return result;
}

void ActionPadStore::save(const std::optional<QString> &contentPath,
                          const QHash<QString, QString> &attributes)
{
    if (!contentPath && attributes.isEmpty())
        return;
    m_engine.transaction([&] {
        if (!attributes.isEmpty()) {
            Internal::Query upsert(
                m_engine,
                QStringLiteral("INSERT INTO actionpad_attribute (name_key, name, value)"
                               " VALUES (?, ?, ?)"
                               " ON CONFLICT (name_key) DO UPDATE"
                               " SET name = excluded.name, value = excluded.value"),
                QStringLiteral("store an attribute of the action pad file"));
            for (auto it = attributes.cbegin(); it != attributes.cend(); ++it) {
                if (it.key().isEmpty())
                    Platform::raiseError(InvalidProcedureCall, Internal::errorSource(),
                                         QStringLiteral("an attribute of the action pad file "
                                                        "needs a name"));
                if (it.value().isEmpty()) {
                    Internal::Query remove(
                        m_engine,
                        QStringLiteral("DELETE FROM actionpad_attribute WHERE name_key = ?"),
                        QStringLiteral("remove an attribute of the action pad file"));
                    remove.bind(it.key().toCaseFolded()).exec();
                    continue;
                }
                upsert.bind(it.key().toCaseFolded()).bind(it.key()).bind(it.value()).exec();
            }
        }
        if (!contentPath)
            return;

        const QString path = Platform::Paths::resolveCase(*contentPath);
        // Reading the new archive's directory takes about as long as storing
        // its bytes when it holds many small files: a thread of its own reads
        // it meanwhile. What the old archive held is read before it goes.
        std::future<std::optional<EntryListing>> next =
            std::async(std::launch::async, [path] { return EntryListing::readZip(path); });
        const std::optional<EntryListing> previous = PublishRecord::storedEntries(m_engine);

        // The old chunks go first, inside the transaction: whatever fails
        // from here on leaves them in place.
        const std::unique_ptr<Internal::ChunkTable> chunks =
            Internal::ChunkTable::forEngine(m_engine);
        chunks->removeAll();

        QFile file(path);
        if (!Platform::Paths::fileExists(path))
            Platform::raiseError(FileNotFound, Internal::errorSource(),
                                 QStringLiteral("cannot store the action pad archive: the file "
                                                "%1 does not exist")
                                     .arg(QDir::toNativeSeparators(*contentPath)));
        if (!file.open(QIODevice::ReadOnly))
            Platform::raiseError(
                PathFileAccessError, Internal::errorSource(),
                QStringLiteral("cannot store the action pad archive: the file "
                               "%1 cannot be opened (%2)")
                    .arg(QDir::toNativeSeparators(*contentPath), file.errorString()));

        QByteArray buffer(static_cast<qsizetype>(kChunkSize), Qt::Uninitialized);
        Sha256 sha256;
        qint64 size = 0;
        qint32 seq = 0;
        for (;;) {
            const qint64 n = readFull(file, buffer.data(), kChunkSize);
            if (n == 0)
                break;
            // The other core hashes the chunk while it is stored.
            std::future<void> hashed = std::async(std::launch::async, [&sha256, &buffer, n] {
                sha256.addData(buffer.constData(), n);
            });
            chunks->insert(seq++, buffer.constData(), n);
            hashed.get();
            size += n;
            if (n < kChunkSize)
                break;
        }

        PublishRecord::write(m_engine, previous, next.get());

        Internal::Query content(m_engine,
                                QStringLiteral("INSERT INTO actionpad_content (id, size, "
                                               "chunk_count, sha256) VALUES (1, ?, ?, ?)"
                                               " ON CONFLICT (id) DO UPDATE"
                                               " SET size = excluded.size,"
                                               " chunk_count = excluded.chunk_count,"
                                               " sha256 = excluded.sha256"),
                                QStringLiteral("store the action pad archive"));
        content.bind(size).bind(seq).bind(sha256.hexResult()).exec();
    });
}

} // namespace Corvane::Dravo
