#pragma once

// Around a publish: the stored action pad file, independent readers, "nobody", and the real
// host's configuration window in the test.

#include "host/impl/configurationdialog.h"

#include <QByteArray>
#include <QDir>
#include <QHash>
#include <QJsonArray>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class QDialog;
class QProcess;

namespace Corvane::Host {
class AddinManager;
class Application;
} // namespace Corvane::Host

namespace EndToEnd {

// The archive's bytes (checked against its stored SHA-256 on reading: a mismatch throws) and
// the attributes, read through the engine.
struct StoredState
{
    QByteArray archive;
    QHash<QString, QString> attributes;
};
StoredState readStoredState(const QString &location);

// python3 zipfile's {name, size, compressedSize, crc32} per entry (as `actionpads show --json`
// lists them) after testzip(); on failure none, and `error` says why.
QJsonArray pythonEntries(const QByteArray &archive, QString *error);

// The sqlite3 shell's answer, read-only: ".sha3sum --schema" hashes everything (equal hashes, equal
// contents), "PRAGMA integrity_check" gives "ok" or the damage found.
QString sqlite(const QString &path, const QString &command);

// As root (whom permissions do not stop): the folders and the process go to the user "nobody".
bool runAsNobody(QProcess &process, const QStringList &folders, QString *reason);

// corvane-admin's configuration window in the test: the real host and add-in on the database in
// the language, the action pad page shown; from the first publish on, every modal window is
// handed to onModal, then gets its default button.
class LiveHost final : public QObject
{
    Q_OBJECT
public:
    explicit LiveHost(const QString &database, const QString &language = QStringLiteral("en"));
    ~LiveHost() override;
    Q_DISABLE_COPY_MOVE(LiveHost)

    Corvane::Host::Application &application() { return *m_application; }
    Corvane::Host::ConfigurationDialog *dialog() const { return m_dialog; }
    QWidget *page() const { return m_page; }

    void startPublish();                           // presses the publish button
    QString publish();                             // and waits for the outcome
    QString outcome() const { return m_outcome; }  // empty while running
    std::function<void(const QString &)> onStatus; // each status the page shows
    std::function<void(QDialog *)> onModal;

private slots:
    void takeStatus(const QString &text);
    void takeOutcome(const QString &outcome);

private:
    void answerOpenDialogs();

    const QString m_home = QDir::currentPath();
    std::unique_ptr<Corvane::Host::Application> m_application;
    std::unique_ptr<Corvane::Host::AddinManager> m_addins;
    QPointer<Corvane::Host::ConfigurationDialog> m_dialog;
    QPointer<QWidget> m_page;
    QTimer m_answering;
    QString m_outcome;
};

} // namespace EndToEnd
