#include "zip/filecrc.h"

#include <QFile>

#include <zlib.h>

namespace Corvane::Zip {

namespace {
constexpr qint64 kBlockSize = 256 * 1024;
} // namespace

std::optional<quint32> fileCrc32(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    QByteArray block(kBlockSize, Qt::Uninitialized);
    uLong crc = crc32(0L, Z_NULL, 0);
    for (;;) {
        const qint64 n = file.read(block.data(), kBlockSize);
        if (n < 0) {
            if (error)
                *error = file.errorString();
            return std::nullopt;
        }
        if (n == 0)
            break;
        crc = crc32(crc, reinterpret_cast<const Bytef *>(block.constData()), static_cast<uInt>(n));
    }
    return static_cast<quint32>(crc);
}

} // namespace Corvane::Zip
