#pragma once

#include "host_global.h"

#include <QList>
#include <QMessageBox>
#include <QString>

// The platform's message box style flags (buttons + icon + default button +
// flags) read into what a QMessageBox needs, and the answer codes that go back.
namespace Corvane::Host::MessageBoxStyle {

struct Button
{
    QMessageBox::StandardButton button;
    int answer; // the platform's answer code: 1 OK, 2 Cancel, 6 Yes, 7 No ...
};

// The buttons of the style, in the platform's order. Error 5 for a button
// code the host does not know.
CORVANE_HOST_EXPORT QList<Button> buttons(int style);
// 0-based index of the default button (bits 0x300: 0 first, 256 second, 512
// third); the first button when the style names one that is not there.
CORVANE_HOST_EXPORT int defaultIndex(int style);
// The answer that pressing the default button gives.
CORVANE_HOST_EXPORT int defaultAnswer(int style);
CORVANE_HOST_EXPORT QMessageBox::Icon icon(int style);
// True for the exclamation and the critical icon: a warning, not a question.
CORVANE_HOST_EXPORT bool isWarning(int style);
// "OK", "Yes", "No" ... for an answer code.
CORVANE_HOST_EXPORT QString answerText(int answer);

} // namespace Corvane::Host::MessageBoxStyle
