#pragma once

#include "host_global.h"

#include <QFile>
#include <QObject>
#include <QPointer>

class QCoreApplication;
class QDialog;
class QIODevice;

namespace Corvane::Host {

// Runs the host without a user. Every message box is answered at once with its
// default button, and every modal dialog that opens is answered with its
// default button on the next turn of the event loop. Each question and answer
// is written as one line: warnings (exclamation and critical message boxes) to
// the error stream, everything else to the output stream.
//
// The mode belongs to the application object: it is a child of it and watches
// all its events. There is at most one per application.
class CORVANE_HOST_EXPORT UnattendedMode final : public QObject
{
    Q_OBJECT
public:
    explicit UnattendedMode(QCoreApplication *application);
    ~UnattendedMode() override;
    Q_DISABLE_COPY_MOVE(UnattendedMode)

    // The mode installed on the application, or null.
    static UnattendedMode *of(const QCoreApplication *application);

    // Where the lines go; standard output and standard error by default.
    void setStreams(QIODevice *output, QIODevice *errors);

    // Answers a message box of the style with the default button's code.
    int answerMessage(const QString &prompt, int style);

    bool eventFilter(QObject *watched, QEvent *event) override;

    // The text as one line: line breaks become single blanks.
    static QString oneLine(const QString &text);

private:
    void answerDialog(QDialog *dialog);
    void closeIfStillOpen(QDialog *dialog);
    void writeLine(QIODevice *device, const QString &line);

    QFile m_standardOutput;
    QFile m_standardError;
    QPointer<QIODevice> m_output;
    QPointer<QIODevice> m_errors;
};

} // namespace Corvane::Host
