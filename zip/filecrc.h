#pragma once

#include <QString>

#include <optional>

namespace Corvane::Zip {

// The CRC-32 a zip entry of the file would carry (zlib's crc32, the one the
// archive writer writes), read in fixed-size blocks so that memory stays bounded whatever the
// file's size; nullopt with `error` set when the file cannot be read.
// `size` gets the number of bytes read.
std::optional<quint32> fileCrc32(const QString &path, qint64 *size = nullptr,
                                 QString *error = nullptr);

} // namespace Corvane::Zip
