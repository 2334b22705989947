#pragma once

#include "host_global.h"

#include <QHash>
#include <QWidget>

#include <memory>
#include <optional>
#include <utility>

class QComboBox;
class QLabel;
class QThread;
class QTimer;

namespace Corvane::Dravo {
class Engine;
}

namespace Corvane::Host {

class Application;
class PublishedArchive;
class WebBarBrowser;

// What the web bar shows: the database-wide action pad, the overview's, or
// the action pad of one table (found through the table's inspector).
struct WebBarSubject
{
    enum class Kind
    {
        Database,
        Overview,
        Table
    };
    Kind kind = Kind::Database;
    int tableId = 0;
    QString name; // the table's name, as the table list shows it
    QString inspector;

    bool operator==(const WebBarSubject &other) const
    {
        return kind == other.kind && (kind != Kind::Table || tableId == other.tableId);
    }
};

// The web bar: a selector of what to show, the location of its action pad,
// and the page as it was published into the database. It keeps one copy of
// the stored archive on disk, taken again only when the published state
// changes: the server cache generation (every publish refreshes the cache),
// the archive's SHA-256 or the page names. It looks for a change every two
// seconds. A worker thread takes the copy, on a connection of its own, so
// that the window stays alive however large the archive; the subject is
// shown anew when the copy is there (published() tells).
class CORVANE_HOST_EXPORT WebBar final : public QWidget
{
    Q_OBJECT
public:
    explicit WebBar(Application &application, QWidget *parent = nullptr);
    ~WebBar() override;
    Q_DISABLE_COPY_MOVE(WebBar)

    // The tables the selector offers after "Database" and "Overview". The
    // subject shown stays when it is still offered, else the database's.
    void setTables(const QList<WebBarSubject> &tables);
    void setSubject(const WebBarSubject &subject);
    WebBarSubject subject() const { return m_subject; }
    // Stops or restarts looking for a new cache generation.
    void setPolling(bool on);

    static constexpr int kPollInterval = 2000; // milliseconds

public slots:
    // Starts taking a new copy of the published archive when the published
    // state changed (or the database did); the subject is shown anew when
    // the copy is there. A database failure is reported once through problemFound.
    void checkPublished();
    // Shows the subject's action pad as published.
    void showSubject();

signals:
    // The user chose a subject in the selector.
    void subjectChosen(const WebBarSubject &subject);
    void problemFound(const QString &message);
    // A copy of the published state was taken and the subject shown with it.
    void published();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void elideLocation();
    void fillSelector(const QList<WebBarSubject> &tables);
    void selectorChanged(int index);
    // Starts copying the published state anew when it changed; whether the
    // subject must be shown anew at once (the database went).
    bool refresh();
    struct Copy;
    void startCopy(const QString &location);
    void takeCopy(Copy &copy);
    // What identifies the published state: the cache generation, the
    // archive's checksum and the attributes.
    static QString publishedKey(Dravo::Engine &engine);
    void report(const QString &problem);
    QString subjectLocation();
    QString subjectDisplayName() const;
    // The archive entry that a location names, and its query and fragment
    // ("?tab=2#top"). `leftOut` names the entry when the page was left out in
    // a name clash.
    std::pair<QString, QString> pageOf(const QString &location, QString *leftOut) const;
    // The entry a file path names: the entry of that name, else the one
    // whose name is the longest trailing path of the path in the web folder.
    // When that name is shared, another table's page that the entry holds
    // byte for byte owns it: the path's page was left out in the clash of
    // names, and `leftOut` gets the entry's name.
    QString entryOf(const QString &path, QString *leftOut) const;
    // A file path as the host resolves it: relative ones in the web folder.
    QString fileOf(const QString &path) const;
    // Whether the entry holds the file's bytes.
    bool holdsFile(const QString &entry, const QString &file) const;
    // The action pad location of the table shown by `inspector`.
    QString tableLocation(const QString &inspector) const;
    // Shows the page at the location, or a note saying why there is none.
    void showLocation(const QString &location);
    void showNote(const QString &text);

    Application &m_application;
    QComboBox *m_selector;
    QLabel *m_location;
    QString m_locationText;
    WebBarBrowser *m_view; // owned through its widget
    QTimer *m_poll;
    QList<WebBarSubject> m_subjects; // in the selector's order of items
    WebBarSubject m_subject;

    // The published state of one database, as publishedKey() names it.
    QString m_loadedFrom; // the database's location; empty before the first copy
    std::optional<QString> m_published;
    std::shared_ptr<const PublishedArchive> m_archive;
    QHash<QString, QString> m_attributes; // by case-folded name
    QString m_archiveError;
    QString m_reported;                 // the last problem reported, not repeated
    std::unique_ptr<QThread> m_copying; // takes the copy; null when none is under way
    bool m_copyAgain = false;           // the state changed again while it did
};

} // namespace Corvane::Host
