#include "publishedarchive.h"

#include "dravo/actionpadstore.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

namespace Corvane::Host {

namespace {

const QString kSource = QStringLiteral("PublishedArchive");

QString openErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

} // namespace

PublishedArchive::PublishedArchive(const QString &zipPath)
    : m_fileName(zipPath)
{
    int code = 0;
    m_archive = zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY, &code);
    if (!m_archive)
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, kSource,
                             QStringLiteral("the action pad archive %1 is no readable zip file "
                                            "(%2); publish the action pads again")
                                 .arg(QDir::toNativeSeparators(zipPath), openErrorText(code)));
    const zip_int64_t count = zip_get_num_entries(m_archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(m_archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0)
            continue;
        Entry entry;
        entry.name = QString::fromUtf8(stat.name);
        entry.size = static_cast<qint64>(stat.size);
        entry.compressedSize = static_cast<qint64>(stat.comp_size);
        entry.crc32 = stat.crc;
        const QString key = comparable(entry.name);
        if (!m_names.contains(key)) // the first entry of a name wins
            m_names.insert(key, m_entries.size());
        m_entries.append(entry);
        m_indexes.append(static_cast<quint64>(i));
    }
}

PublishedArchive::~PublishedArchive()
{
    zip_discard(m_archive);
}

std::unique_ptr<PublishedArchive> PublishedArchive::copyFromStore(Dravo::ActionPadStore &store)
{
    if (!store.hasContent())
        return nullptr;
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid())
        Platform::raiseError(
            Platform::ErrorNumber::PathFileAccessError, kSource,
            QStringLiteral("no temporary folder for reading the published "
                           "action pads could be made in %1 (%2); check that "
                           "it is writable")
                .arg(QDir::toNativeSeparators(QDir::tempPath()), folder->errorString()));
    const QString path = folder->filePath(QStringLiteral("actionpads.zip"));
    QFile copy(path);
    if (!copy.open(QIODevice::WriteOnly))
        Platform::raiseError(Platform::ErrorNumber::PathFileAccessError, kSource,
                             QStringLiteral("the published action pads could not be copied to "
                                            "%1 (%2)")
                                 .arg(QDir::toNativeSeparators(path), copy.errorString()));
    store.readContent(copy);
    copy.close();
    if (copy.error() != QFileDevice::NoError)
        Platform::raiseError(Platform::ErrorNumber::PathFileAccessError, kSource,
                             QStringLiteral("the published action pads could not be copied to "
                                            "%1 (%2); check the free space")
                                 .arg(QDir::toNativeSeparators(path), copy.errorString()));
    auto archive = std::make_unique<PublishedArchive>(path);
    archive->m_folder = std::move(folder);
    return archive;
}

QString PublishedArchive::comparable(const QString &name)
{
    QString text = name;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return text.toCaseFolded();
}

QString PublishedArchive::entryName(const QString &name) const
{
    const qsizetype position = m_names.value(comparable(name), -1);
    return position < 0 ? QString() : m_entries.at(position).name;
}

QString PublishedArchive::entryForLocation(const QString &location) const
{
    const QString wanted = comparable(location);
    qsizetype best = -1;
    qsizetype bestLength = 0;
    for (auto it = m_names.cbegin(); it != m_names.cend(); ++it) {
        const QString &name = it.key();
        if (name.isEmpty() || name.endsWith(QLatin1Char('/')) || name.size() <= bestLength ||
            !wanted.endsWith(name))
            continue;
        const qsizetype start = wanted.size() - name.size();
        if (start > 0 && wanted.at(start - 1) != QLatin1Char('/'))
            continue;
        best = it.value();
        bestLength = name.size();
    }
    return best < 0 ? QString() : m_entries.at(best).name;
}

std::optional<QByteArray> PublishedArchive::read(const QString &name, qint64 maxSize) const
{
    const qsizetype position = m_names.value(comparable(name), -1);
    if (position < 0)
        return std::nullopt;
    const Entry &entry = m_entries.at(position);
    if (entry.size > maxSize)
        Platform::raiseError(Platform::ErrorNumber::Overflow, kSource,
                             QStringLiteral("the entry %1 of the action pad archive %2 holds %3 "
                                            "bytes, more than the %4 bytes that are shown")
                                 .arg(entry.name, QDir::toNativeSeparators(m_fileName))
                                 .arg(entry.size)
                                 .arg(maxSize));
    zip_file_t *file = zip_fopen_index(m_archive, m_indexes.at(position), 0);
    if (!file)
        failReading(entry.name, QString::fromLocal8Bit(zip_strerror(m_archive)));
    QByteArray bytes(static_cast<qsizetype>(entry.size), Qt::Uninitialized);
    qint64 total = 0;
    while (total < entry.size) {
        const zip_int64_t n =
            zip_fread(file, bytes.data() + total, static_cast<zip_uint64_t>(entry.size - total));
        if (n <= 0)
            break;
        total += n;
    }
    const QString error = QString::fromLocal8Bit(zip_file_strerror(file));
    if (zip_fclose(file) != 0 || total != entry.size)
        failReading(entry.name, error);
    return bytes;
}

QStringList PublishedArchive::damagedEntries() const
{
    QStringList damaged;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    for (qsizetype position = 0; position < m_entries.size(); ++position) {
        const Entry &entry = m_entries.at(position);
        // libzip compares the CRC-32 once an entry is read to its end.
        zip_file_t *file = zip_fopen_index(m_archive, m_indexes.at(position), 0);
        if (!file) {
            damaged.append(QStringLiteral("%1: %2").arg(
                entry.name, QString::fromLocal8Bit(zip_strerror(m_archive))));
            continue;
        }
        qint64 total = 0;
        zip_int64_t n = 0;
        while ((n = zip_fread(file, buffer.data(), zip_uint64_t(buffer.size()))) > 0)
            total += n;
        const QString error = QString::fromLocal8Bit(zip_file_strerror(file));
        if (zip_fclose(file) != 0 || n < 0)
            damaged.append(QStringLiteral("%1: %2").arg(entry.name, error));
        else if (total != entry.size)
            damaged.append(QStringLiteral("%1: holds %2 bytes instead of %3")
                               .arg(entry.name)
                               .arg(total)
                               .arg(entry.size));
    }
    return damaged;
}

void PublishedArchive::failReading(const QString &entryName, const QString &reason) const
{
    Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall, kSource,
                         QStringLiteral("the entry %1 of the action pad archive %2 cannot be "
                                        "read (%3); publish the action pads again")
                             .arg(entryName, QDir::toNativeSeparators(m_fileName), reason));
}

} // namespace Corvane::Host
