#pragma once

// What the editor's tests share: a connected fake host, folders of action pad
// files on disk, the temporary archives a publish leaves, and answering the
// modal dialogs a test opens.

#include "tests/fakehost/fakehost.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

class QWidget;

namespace EditorTest {

// One test's host, connected to the add-in as the host connects it, with a
// fresh translator; disconnected and forgotten again on destruction.
class ConnectedHost final
{
public:
    ConnectedHost();
    ~ConnectedHost();
    Q_DISABLE_COPY_MOVE(ConnectedHost)

    FakeHost::Host host;
};

// A folder of action pad files in the temporary folder, removed with the object.
class PadFolder final
{
public:
    PadFolder();
    // The folder with a trailing separator.
    QString path() const;
    // Writes the file (folders created as needed) and gives its full path.
    QString write(const QString &relativePath, const QByteArray &content) const;

private:
    QTemporaryDir m_dir;
};

// Incompressible bytes, the same for the same size.
QByteArray noise(qsizetype size);

// Files of the temporary folder whose names begin with "tmp": the archives of
// publishes that were not cleaned up.
QStringList temporaryArchives();

// Clicks the button `buttonName` of the next modal dialog to appear (polls the
// event loop for it); gives up after `timeoutMs`.
void clickInNextModal(const QString &buttonName, int timeoutMs = 20000);

} // namespace EditorTest
