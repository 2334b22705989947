#include "zip/filecrc.h"

#include <QFile>

#include <array>

#include <zlib.h>

namespace Corvane::Zip {

namespace {
// On the stack: a dry run reads many small files, and a heap block per file
// would cost more than reading them.
constexpr qint64 kBlockSize = 64 * 1024;
} // namespace

std::optional<quint32> fileCrc32(const QString &path, qint64 *size, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    std::array<char, kBlockSize> block;
    uLong crc = crc32(0L, Z_NULL, 0);
    qint64 total = 0;
    for (;;) {
        const qint64 n = file.read(block.data(), kBlockSize);
        if (n < 0) {
            if (error)
                *error = file.errorString();
            return std::nullopt;
        }
        if (n == 0)
            break;
        crc = crc32(crc, reinterpret_cast<const Bytef *>(block.data()), static_cast<uInt>(n));
        total += n;
    }
    if (size)
        *size = total;
    return static_cast<quint32>(crc);
}

} // namespace Corvane::Zip
