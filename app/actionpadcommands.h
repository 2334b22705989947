#pragma once

#include <QList>
#include <QString>

class QTextStream;

namespace Corvane::Admin {

struct Invocation;

// One entry of a zip archive as its central directory gives it.
struct ArchiveEntry
{
    QString name;
    qint64 size = 0;
    qint64 compressedSize = 0;
    quint32 crc32 = 0;
};

// "actionpads show" and "actionpads extract": the database's stored action
// pad archive, its attributes and the server cache's generation.
namespace ActionPadCommands {

// The entries of a zip file, in the archive's order. Error 5 naming the file
// when it is no readable zip archive.
QList<ArchiveEntry> listArchive(const QString &zipPath);

int show(const Invocation &invocation, QTextStream &out);
int extract(const Invocation &invocation, QTextStream &out);

} // namespace ActionPadCommands
} // namespace Corvane::Admin
