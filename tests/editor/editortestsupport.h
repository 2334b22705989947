#pragma once

// What the editor's tests share: folders of action pad files, the temporary
// archives a publish leaves, and answering the modal dialog a test opens.

#include "tests/addin/addintestsupport.h"

#include <QTemporaryDir>

namespace EditorTest {

// A folder of action pad files in the temporary folder, removed with the object.
class PadFolder final
{
public:
    PadFolder();
    // The folder with a trailing separator.
    QString path() const;
    // Writes the file (folders created as needed) and gives its full path.
    QString write(const QString &relativePath, const QByteArray &content = "<html/>") const;

private:
    QTemporaryDir m_dir;
};

// Files of the temporary folder whose names begin with "tmp": archives left over.
QStringList temporaryArchives();

// Clicks the button `buttonName` of the next modal dialog to appear; gives up after 20 s.
void clickInNextModal(const QString &buttonName);

} // namespace EditorTest
