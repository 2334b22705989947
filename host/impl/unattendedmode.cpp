#include "unattendedmode.h"

#include "messageboxstyle.h"

#include "platform/runtimeerror.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace Corvane::Host {

UnattendedMode::UnattendedMode(QCoreApplication *application)
    : QObject(application)
{
    if (!application)
        Platform::raiseError(Platform::ErrorNumber::ObjectRequired,
                             QStringLiteral("UnattendedMode"),
                             QStringLiteral("the unattended mode needs an application object"));
    if (of(application) != this)
        Platform::raiseError(Platform::ErrorNumber::InvalidProcedureCall,
                             QStringLiteral("UnattendedMode"),
                             QStringLiteral("the application already runs unattended"));
    setObjectName(QStringLiteral("UnattendedMode"));
    m_standardOutput.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    m_standardError.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    m_output = &m_standardOutput;
    m_errors = &m_standardError;
    application->installEventFilter(this);
}

UnattendedMode::~UnattendedMode()
{
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

UnattendedMode *UnattendedMode::of(const QCoreApplication *application)
{
    if (!application)
        return nullptr;
    return application->findChild<UnattendedMode *>(QString(), Qt::FindDirectChildrenOnly);
}

void UnattendedMode::setStreams(QIODevice *output, QIODevice *errors)
{
    m_output = output ? output : &m_standardOutput;
    m_errors = errors ? errors : &m_standardError;
}

QString UnattendedMode::oneLine(const QString &text)
{
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n]+"));
    return text.trimmed().replace(lineBreaks, QStringLiteral(" "));
}

int UnattendedMode::answerMessage(const QString &prompt, int style)
{
    const int answer = MessageBoxStyle::defaultAnswer(style);
    if (MessageBoxStyle::isWarning(style))
        writeLine(m_errors, oneLine(prompt));
    else
        writeLine(m_output, QStringLiteral("%1 [%2]").arg(oneLine(prompt),
                                                          MessageBoxStyle::answerText(answer)));
    return answer;
}

bool UnattendedMode::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (dialog && dialog->isModal()) {
            const QPointer<QDialog> guard(dialog);
            QTimer::singleShot(0, this, [this, guard] {
                if (guard)
                    answerDialog(guard);
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

void UnattendedMode::answerDialog(QDialog *dialog)
{
    if (!dialog->isVisible())
        return;
    QPushButton *choice = nullptr;
    const QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->isDefault() && button->isVisible() && button->isEnabled()) {
            choice = button;
            break;
        }
    }
    const QString title = dialog->windowTitle().isEmpty()
                              ? QString::fromLatin1(dialog->metaObject()->className())
                              : dialog->windowTitle();
    if (!choice) {
        writeLine(m_output, QStringLiteral("%1 [accepted: no default button]").arg(title));
        dialog->accept();
        return;
    }
    writeLine(m_output,
              QStringLiteral("%1 [%2]").arg(title, choice->text().remove(QLatin1Char('&'))));
    const QPointer<QDialog> guard(dialog);
    choice->click();
    // A default button that does not end the dialog (an Open button with no
    // file chosen) must not leave the program waiting for a user.
    QTimer::singleShot(0, this, [this, guard] {
        if (guard)
            closeIfStillOpen(guard);
    });
}

void UnattendedMode::closeIfStillOpen(QDialog *dialog)
{
    if (!dialog->isVisible() || QApplication::activeModalWidget() != dialog)
        return;
    writeLine(m_errors, QStringLiteral("%1 did not close on its default button; cancelled")
                            .arg(dialog->windowTitle()));
    dialog->reject();
}

void UnattendedMode::writeLine(QIODevice *device, const QString &line)
{
    if (!device)
        return;
    device->write(line.toUtf8() + '\n');
    if (auto *file = qobject_cast<QFileDevice *>(device))
        file->flush();
}

} // namespace Corvane::Host
