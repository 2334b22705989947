#include "editortestsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTimer>
#include <QWidget>

namespace EditorTest {

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

QStringList temporaryArchives()
{
    return QDir(QDir::tempPath()).entryList({QStringLiteral("tmp*")}, QDir::Files);
}

void clickInNextModal(const QString &buttonName)
{
    auto *timer = new QTimer(qApp);
    const QDeadlineTimer deadline(20000);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, buttonName, deadline] {
        QWidget *modal = QApplication::activeModalWidget();
        auto *button = modal ? modal->findChild<QAbstractButton *>(buttonName) : nullptr;
        if (button)
            button->click();
        if (button || deadline.hasExpired())
            timer->deleteLater();
    });
    timer->start(20);
}

} // namespace EditorTest
