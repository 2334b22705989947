#include "editortestsupport.h"

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace EditorTest {

ConnectedHost::ConnectedHost()
{
    Brimble::ResourceManager::ResetTranslatorForTests();
    Brimble::ApplicationManager::SetApplication(&host.application);
}

ConnectedHost::~ConnectedHost()
{
    Brimble::ApplicationManager::SetApplication(nullptr);
    Brimble::ResourceManager::ResetTranslatorForTests();
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

PadFolder::PadFolder()
    : m_dir(QDir::tempPath() + QStringLiteral("/pads-XXXXXX"))
{
}

QString PadFolder::path() const
{
    return QDir::toNativeSeparators(m_dir.path() + QLatin1Char('/'));
}

QString PadFolder::write(const QString &relativePath, const QByteArray &content) const
{
    const QString file = m_dir.filePath(relativePath);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
        qFatal("cannot write the test file %s", qPrintable(file));
    return QDir::toNativeSeparators(file);
}

QByteArray noise(qsizetype size)
{
    QRandomGenerator generator(static_cast<quint32>(size));
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(generator.bounded(256));
    return bytes;
}

QStringList temporaryArchives()
{
    return QDir(QDir::tempPath()).entryList({QStringLiteral("tmp*")}, QDir::Files);
}

void clickInNextModal(const QString &buttonName, int timeoutMs)
{
    auto *timer = new QTimer(qApp);
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, buttonName, deadline] {
        QWidget *modal = QApplication::activeModalWidget();
        auto *button = modal ? modal->findChild<QAbstractButton *>(buttonName) : nullptr;
        if (button)
            button->click();
        if (button || deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

} // namespace EditorTest
