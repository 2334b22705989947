#include "e2esupport.h"

#include "../app/admintool.h"

#include "dravo/actionpadstore.h"
#include "dravo/engine.h"
#include "host/impl/addinmanager.h"
#include "host/impl/application.h"
#include "host/impl/hostclasses.h"
#include "host/impl/hosttranslations.h"

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QJsonDocument>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace EndToEnd {

// Reads the archive from standard input with the standard library only.
const char kZipReader[] = R"(
import io, json, sys, zipfile
with zipfile.ZipFile(io.BytesIO(sys.stdin.buffer.read())) as archive:
    bad = archive.testzip()
    if bad is not None:
        sys.exit("entry %s is damaged" % bad)
    print(json.dumps([
        {"name": info.filename, "size": info.file_size, "compressedSize": info.compress_size,
         "crc32": "%08x" % info.CRC}
        for info in archive.infolist()]))
)";

StoredState readStoredState(const QString &location)
{
    StoredState state;
    const std::unique_ptr<Corvane::Dravo::Engine> engine = Corvane::Dravo::Engine::open(location);
    engine->transaction(
        [&] {
            Corvane::Dravo::ActionPadStore store(*engine);
            state.attributes = store.attributes();
            QBuffer buffer(&state.archive);
            buffer.open(QIODevice::WriteOnly);
            store.readContent(buffer);
        },
        Corvane::Dravo::Engine::Access::Read);
    return state;
}

QJsonArray pythonEntries(const QByteArray &archive, QString *error)
{
    QProcess python;
    python.start(u"python3"_s, {u"-c"_s, QString::fromLatin1(kZipReader)});
    python.write(archive);
    python.closeWriteChannel();
    const bool read = python.waitForFinished(60000) &&
                      python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
    *error =
        read ? QString() : u"python3: "_s + QString::fromLocal8Bit(python.readAllStandardError());
    return read ? QJsonDocument::fromJson(python.readAllStandardOutput()).array() : QJsonArray();
}

QString sqlite(const QString &path, const QString &command)
{
    int exitCode = -1;
    const QString output =
        AdminTool::runTool(u"sqlite3"_s, {u"-readonly"_s, path, command}, {}, &exitCode).trimmed();
    if (exitCode != 0 || output.isEmpty()) // equal failures would prove nothing
        qFatal("sqlite3 failed on %s: %s", qPrintable(path), qPrintable(command));
    return output;
}

bool runAsNobody(QProcess &process, const QStringList &folders, QString *reason)
{
    if (geteuid() != 0)
        return true;
    const passwd *user = getpwnam("nobody");
    if (!user) {
        *reason = u"there is no user \"nobody\" to run as"_s;
        return false;
    }
    for (const QString &folder : folders)
        if (QProcess::execute(u"chown"_s, {u"-R"_s, u"nobody:"_s, folder}) != 0)
            qFatal("cannot hand %s to nobody", qPrintable(folder));
    process.setChildProcessModifier([uid = user->pw_uid, gid = user->pw_gid] {
        // A child that kept root's privileges would test nothing: it stops instead.
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(126);
    });
    return true;
}

LiveHost::LiveHost(const QString &database, const QString &language)
{
    static const bool registered = (Corvane::Host::registerHostClasses(), true);
    Q_UNUSED(registered)
    m_application = std::make_unique<Corvane::Host::Application>();
    Corvane::Host::HostTranslations::install(language);
    m_application->setLanguage(language);
    m_application->openDatabase(database);
    // Locations may be relative to the web folder, as in corvane-admin's own session.
    QDir::setCurrent(m_application->WebFolder());
    m_addins = std::make_unique<Corvane::Host::AddinManager>(*m_application);
    m_addins->connectAll();

    connect(&m_answering, &QTimer::timeout, this, &LiveHost::answerOpenDialogs);
    m_dialog = new Corvane::Host::ConfigurationDialog(*m_application);
    m_dialog->loadPages();
    m_page = m_dialog->findPage(u"ucActionPadEditor"_s);
    if (m_page) {
        m_dialog->setCurrentPage(m_page);
        connect(m_page, SIGNAL(StatusChanged(QString)), this, SLOT(takeStatus(QString)));
        connect(m_page, SIGNAL(PublishOutcomeChanged(QString)), this, SLOT(takeOutcome(QString)));
    }
    m_dialog->show();
}

LiveHost::~LiveHost()
{
    delete m_dialog;
    m_addins.reset();
    m_application.reset();
    QDir::setCurrent(m_home);
}

void LiveHost::startPublish()
{
    m_outcome.clear();
    m_answering.start(10);
    if (auto *button =
            m_page ? m_page->findChild<QPushButton *>(u"cmdPublishActionPads"_s) : nullptr)
        button->click();
}

QString LiveHost::publish()
{
    startPublish();
    (void)QTest::qWaitFor([this] { return !m_outcome.isEmpty(); }, 120000);
    return m_outcome;
}

void LiveHost::takeStatus(const QString &text)
{
    if (onStatus)
        onStatus(text);
}

void LiveHost::takeOutcome(const QString &outcome)
{
    m_outcome = outcome == "running"_L1 ? QString() : outcome;
}

void LiveHost::answerOpenDialogs()
{
    m_answering.stop(); // onModal may take its time: nothing runs twice
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(window);
        if (!dialog || !dialog->isVisible() || !dialog->isModal())
            continue;
        auto *box = qobject_cast<QMessageBox *>(dialog);
        QAbstractButton *choice = box ? box->defaultButton() : nullptr;
        for (QPushButton *button : dialog->findChildren<QPushButton *>())
            if (!choice && button->isDefault() && button->isVisible())
                choice = button;
        if (onModal)
            onModal(dialog);
        if (choice)
            choice->click();
        else
            dialog->accept();
    }
    m_answering.start(10);
}

} // namespace EndToEnd
