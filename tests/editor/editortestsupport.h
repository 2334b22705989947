#pragma once

// A folder of action pad files for the editor's tests.

#include "tests/addin/addintestsupport.h"

#include <QDir>
#include <QTemporaryDir>

namespace EditorTest {

// A folder of action pad files in the temporary folder, removed with the object.
class PadFolder final
{
public:
    // The folder with a trailing separator.
    QString path() const { return QDir::toNativeSeparators(m_dir.path() + QLatin1Char('/')); }
    // Writes the file (folders created as needed) and gives its full path.
    QString write(const QString &relativePath, const QByteArray &content = "<html/>") const
    {
        const QString file = m_dir.filePath(relativePath);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
            qFatal("cannot write the test file %s", qPrintable(file));
        return QDir::toNativeSeparators(file);
    }

private:
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/pads-XXXXXX")};
};

} // namespace EditorTest
