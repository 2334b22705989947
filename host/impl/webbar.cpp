#include "webbar.h"

#include "application.h"
#include "database.h"
#include "publishedarchive.h"
#include "webbarbrowser.h"

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"
#include "dravo/servercache.h"
#include "dravo/settingstree.h"
#include "platform/runtimeerror.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace Corvane::Host {

namespace {

// A web address, as the action pad rules tell it from a file path.
bool isWebAddress(const QString &location)
{
    for (const char *prefix : {"RES://", "HTTP://", "HTTPS://", "FILE://"}) {
        if (location.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString paragraph(const QString &text)
{
    return QStringLiteral("<p>%1</p>").arg(text.toHtmlEscaped());
}

} // namespace

WebBar::WebBar(Application &application, QWidget *parent)
    : QWidget(parent)
    , m_application(application)
    , m_selector(new QComboBox)
    , m_location(new QLabel)
    , m_view(WebBarBrowser::create())
    , m_poll(new QTimer(this))
{
    setObjectName(QStringLiteral("webBar"));
    m_selector->setObjectName(QStringLiteral("webBarSelector"));
    auto *selectorLabel = new QLabel(tr("&Show:"));
    selectorLabel->setBuddy(m_selector);
    m_location->setObjectName(QStringLiteral("webBarLocation"));
    m_location->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Long paths are shortened in the middle, not allowed to widen the bar;
    // the tool tip has them whole.
    m_location->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_location->setForegroundRole(QPalette::PlaceholderText);

    auto *selectorRow = new QHBoxLayout;
    selectorRow->addWidget(selectorLabel);
    selectorRow->addWidget(m_selector, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(selectorRow);
    layout->addWidget(m_location);
    layout->addWidget(m_view->widget(), 1);

    m_poll->setObjectName(QStringLiteral("webBarPoll"));
    m_poll->setInterval(kPollInterval);
    connect(m_poll, &QTimer::timeout, this, &WebBar::checkPublished);
    connect(m_selector, &QComboBox::currentIndexChanged, this, &WebBar::selectorChanged);
    connect(m_selector, &QComboBox::activated, this, [this] { emit subjectChosen(m_subject); });
    fillSelector({});
    m_poll->start();
}

WebBar::~WebBar()
{
    if (m_copying)
        m_copying->wait();
}

void WebBar::setTables(const QList<WebBarSubject> &tables)
{
    fillSelector(tables);
    const qsizetype kept = m_subjects.indexOf(m_subject);
    setSubject(m_subjects.at(kept < 0 ? 0 : kept));
}

void WebBar::fillSelector(const QList<WebBarSubject> &tables)
{
    m_subjects = {WebBarSubject{WebBarSubject::Kind::Database, 0, {}, {}},
                  WebBarSubject{WebBarSubject::Kind::Overview, 0, {}, {}}};
    m_subjects.append(tables);
    const QSignalBlocker blocker(m_selector);
    m_selector->clear();
    m_selector->addItem(tr("Database"), 0);
    m_selector->addItem(tr("Overview"), 1);
    if (!tables.isEmpty())
        m_selector->insertSeparator(m_selector->count());
    for (qsizetype i = 2; i < m_subjects.size(); ++i)
        m_selector->addItem(m_subjects.at(i).name, static_cast<int>(i));
}

void WebBar::setSubject(const WebBarSubject &subject)
{
    const qsizetype position = m_subjects.indexOf(subject);
    if (position < 0)
        return;
    m_subject = m_subjects.at(position);
    const int index = m_selector->findData(static_cast<int>(position));
    if (index != m_selector->currentIndex()) {
        const QSignalBlocker blocker(m_selector);
        m_selector->setCurrentIndex(index);
    }
    refresh();
    showSubject();
}

void WebBar::selectorChanged(int index)
{
    bool ok = false;
    const int position = m_selector->itemData(index).toInt(&ok);
    if (ok && position >= 0 && position < m_subjects.size())
        setSubject(m_subjects.at(position));
}

void WebBar::setPolling(bool on)
{
    if (on)
        m_poll->start();
    else
        m_poll->stop();
}

void WebBar::checkPublished()
{
    if (refresh())
        showSubject();
}

// What the worker takes: the published state as one snapshot of the database shows it.
struct WebBar::Copy
{
    QString location; // the database's, as displayText() gives it
    Dravo::DatabaseLocation where;
    std::optional<QString> key;
    std::shared_ptr<const PublishedArchive> archive;
    QHash<QString, QString> attributes;
    QString error;
};

bool WebBar::refresh()
{
    Database *database = m_application.database();
    if (!database) {
        if (m_loadedFrom.isEmpty())
            return false;
        m_loadedFrom.clear();
        m_published.reset();
        m_archive.reset();
        m_view->setArchive(nullptr);
        return true;
    }
    Dravo::Engine &engine = database->engine();
    // A change is under way on this connection: look again next time.
    if (engine.inTransaction())
        return false;
    try {
        QString key;
        engine.transaction([&] { key = publishedKey(engine); }, Dravo::Engine::Access::Read);
        m_reported.clear();
        if (m_loadedFrom == engine.location().displayText() && m_published == key)
            return false;
    } catch (const Platform::RuntimeError &error) {
        report(error.description());
        return false;
    }
    if (m_copying)
        m_copyAgain = true;
    else
        startCopy(engine.location().displayText());
    return false;
}

void WebBar::startCopy(const QString &location)
{
    auto copy = std::make_shared<Copy>();
    copy->location = location;
    copy->where = m_application.database()->engine().location();
    m_copying.reset(QThread::create([copy] {
        try {
            // A connection of the worker's own: the window's may change meanwhile.
            const std::unique_ptr<Dravo::Engine> engine = Dravo::Engine::open(copy->where);
            engine->transaction(
                [&] {
                    copy->key = publishedKey(*engine);
                    Dravo::ActionPadStore store(*engine);
                    copy->attributes = store.attributes();
                    copy->archive = PublishedArchive::copyFromStore(store);
                },
                Dravo::Engine::Access::Read);
        } catch (const Platform::RuntimeError &error) {
            copy->error = error.description();
        } catch (const std::exception &error) {
            copy->error = QString::fromLocal8Bit(error.what());
        }
    }));
    connect(m_copying.get(), &QThread::finished, this, [this, copy] { takeCopy(*copy); });
    m_copying->start();
}

void WebBar::takeCopy(Copy &copy)
{
    m_copying->wait();
    m_copying.reset();
    Database *database = m_application.database();
    if (!database || database->engine().location().displayText() != copy.location) {
        m_copyAgain = false; // another database by now: its own state is what counts
        checkPublished();
        return;
    }
    m_loadedFrom = copy.location;
    // Kept until the next generation: a damaged archive is not copied
    // again every few seconds.
    m_published = copy.key;
    std::shared_ptr<const PublishedArchive> previous =
        std::exchange(m_archive, std::move(copy.archive));
    m_attributes.clear();
    for (auto it = copy.attributes.cbegin(); it != copy.attributes.cend(); ++it)
        m_attributes.insert(it.key().toCaseFolded(), it.value());
    m_archiveError = copy.error;
    if (!m_archiveError.isEmpty())
        report(m_archiveError);
    m_view->setArchive(m_archive);
    // The previous copy's file goes with it, which takes a while when it is
    // large: a worker lets it go.
    if (previous)
        QThreadPool::globalInstance()->start(
            [previous = std::move(previous)]() mutable { previous.reset(); });
    showSubject();
    emit published();
    if (std::exchange(m_copyAgain, false))
        checkPublished();
}

QString WebBar::publishedKey(Dravo::Engine &engine)
{
    // A publish killed between its commit and the refresh leaves the old
    // generation with a new archive or new page names: those count as well.
    Dravo::ActionPadStore store(engine);
    QStringList parts{QString::number(Dravo::ServerCache(engine).generation()),
                      store.contentSha256()};
    const QHash<QString, QString> attributes = store.attributes();
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        parts.append(it.key().toCaseFolded() + QLatin1Char('=') + it.value());
    std::sort(parts.begin() + 2, parts.end());
    return parts.join(QLatin1Char('\n'));
}

void WebBar::report(const QString &problem)
{
    if (problem == m_reported)
        return;
    m_reported = problem;
    emit problemFound(tr("The web bar cannot show the published action pads: %1").arg(problem));
}

QString WebBar::subjectDisplayName() const
{
    switch (m_subject.kind) {
    case WebBarSubject::Kind::Database:
        return tr("the database");
    case WebBarSubject::Kind::Overview:
        return tr("the overview");
    case WebBarSubject::Kind::Table:
        break;
    }
    return m_subject.name;
}

QString WebBar::subjectLocation()
{
    switch (m_subject.kind) {
    case WebBarSubject::Kind::Database:
        return m_attributes.value(QStringLiteral("defaultactionpad"));
    case WebBarSubject::Kind::Overview:
        return m_attributes.value(QStringLiteral("overviewactionpad"));
    case WebBarSubject::Kind::Table:
        break;
    }
    return tableLocation(m_subject.inspector);
}

QString WebBar::entryOf(const QString &path, QString *leftOut) const
{
    const QString exact = m_archive->entryName(path);
    if (!exact.isEmpty())
        return exact;
    const QString file = fileOf(path);
    const QString entry = m_archive->entryForLocation(file);
    if (entry.isEmpty() || m_subject.kind != WebBarSubject::Kind::Table || holdsFile(entry, file))
        return entry;
    // Pages in different folders may share a name (two folders' index.htm),
    // and the archive holds only the one the publisher kept. When another
    // table's page is that entry byte for byte, the entry is that page.
    for (const WebBarSubject &other : m_subjects) {
        if (other.kind != WebBarSubject::Kind::Table || other == m_subject)
            continue;
        QString location = tableLocation(other.inspector);
        if (const qsizetype cut = location.indexOf(QRegularExpression(QStringLiteral("[?#]")));
            cut >= 0)
            location.truncate(cut);
        if (location.isEmpty() || isWebAddress(location))
            continue;
        const QString otherFile = fileOf(location);
        if (m_archive->entryForLocation(otherFile) == entry && holdsFile(entry, otherFile)) {
            *leftOut = entry;
            return {};
        }
    }
    return entry;
}

QString WebBar::fileOf(const QString &path) const
{
    const bool absolute = QDir::isAbsolutePath(QDir::fromNativeSeparators(path));
    return absolute ? path : m_application.WebFolder() + path;
}

bool WebBar::holdsFile(const QString &entry, const QString &file) const
{
    QFile page(file);
    if (!page.open(QIODevice::ReadOnly))
        return false;
    try {
        const std::optional<QByteArray> bytes = m_archive->read(entry, page.size());
        return bytes && *bytes == page.readAll();
    } catch (const std::exception &) {
        return false; // larger than the file, or unreadable: not the same
    }
}

QString WebBar::tableLocation(const QString &inspector) const
{
    if (inspector.isEmpty())
        return {};
    Dravo::SettingsTree settings(m_application.database()->engine());
    return settings
        .value(QStringLiteral("Inspectors\\%1\\WebBar").arg(inspector), QStringLiteral("URL"))
        .value_or(QVariant())
        .toString();
}

std::pair<QString, QString> WebBar::pageOf(const QString &location, QString *leftOut) const
{
    const QString entry = entryOf(location, leftOut);
    if (!entry.isEmpty())
        return {entry, {}};
    // A file location may carry a query or a fragment, which the page gets.
    const qsizetype cut = location.indexOf(QRegularExpression(QStringLiteral("[?#]")));
    if (cut <= 0)
        return {};
    return {entryOf(location.left(cut), leftOut), location.mid(cut)};
}

void WebBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    elideLocation();
}

void WebBar::elideLocation()
{
    m_location->setText(m_location->fontMetrics().elidedText(m_locationText, Qt::ElideMiddle,
                                                             contentsRect().width()));
}

void WebBar::showNote(const QString &text)
{
    m_view->showNote(paragraph(text));
}

void WebBar::showSubject()
{
    if (!m_application.database()) {
        m_location->hide();
        showNote(tr("No database is open."));
        return;
    }
    if (m_copying && m_loadedFrom != m_application.database()->engine().location().displayText()) {
        m_location->hide();
        showNote(tr("Reading the published action pads from the database..."));
        return;
    }
    try {
        showLocation(subjectLocation().trimmed());
    } catch (const Platform::RuntimeError &error) {
        m_location->hide();
        showNote(error.description());
    }
}

void WebBar::showLocation(const QString &location)
{
    const QString name = subjectDisplayName();
    m_locationText = location.isEmpty() ? QString() : tr("Location: %1").arg(location);
    m_location->setToolTip(location);
    m_location->setVisible(!location.isEmpty());
    elideLocation();
    if (location.isEmpty()) {
        showNote(tr("No action pad is published for %1.").arg(name));
    } else if (isWebAddress(location)) {
        m_view->showNote(paragraph(tr("The action pad of %1 is a web address, which opens in "
                                      "your browser:")
                                       .arg(name)) +
                         QStringLiteral("<p><a href=\"%1\">%2</a></p>")
                             .arg(location.toHtmlEscaped(), location.toHtmlEscaped()));
    } else if (!m_archiveError.isEmpty()) {
        showNote(m_archiveError);
    } else if (!m_archive) {
        showNote(tr("No action pad is published for %1: the database holds no published action "
                    "pads yet. Publish them in Tools > Configure.")
                     .arg(name));
    } else {
        QString leftOut;
        if (const auto [entry, queryAndFragment] = pageOf(location, &leftOut); !entry.isEmpty())
            m_view->showPage(entry, queryAndFragment);
        else if (!leftOut.isEmpty())
            showNote(tr("The action pad of %1 was left out when the action pads were published: "
                        "another page has the same name, %2, and that one was kept. Rename one "
                        "of them, or keep this one when you publish again in Tools > Configure.")
                         .arg(name, leftOut));
        else
            showNote(tr("The action pad of %1 is not in the published action pads. Publish "
                        "them again in Tools > Configure.")
                         .arg(name));
    }
}

} // namespace Corvane::Host
