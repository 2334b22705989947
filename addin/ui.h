#pragma once

#include <QString>

#include <cstdint>

class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;

// Messages through the host, the mouse pointer, the add-in's numbered errors
// and two helpers for controls.
namespace Brimble::UI {

// The host's ApplicationTitle; without a host the text "Title".
QString GetMessageTitle();
// The host's MessageBox with style buttons + icon + defaultButton + 0x10000;
// returns the answer code. Error 424 without a connected host.
int ShowMessage(const QString &prompt, int buttons, int icon, int defaultButton);
// The host's MousePointer; without a host the application's override cursor
// (0 restores the default pointer, 11 is the hourglass).
void SetMousePointer(std::int16_t pointer);
// Raises error n + 0x80040000 with the texts of section "BrimbleError":
// description "<n>-description"; help file "<n>-helpfile" ("0" when there is no
// such text); help context "<n>-helpcontext" as a number (0 when there is none).
[[noreturn]] void RaiseAddinError(std::int32_t n);
// Read-only, with the system colour of button faces as background.
void LockTextBox(QLineEdit *textBox);
void LockTextBox(QPlainTextEdit *textBox);
// Width in twips (the list view's units); column from 1. Status 0 ok,
// 1 bad width, 2 no such column.
std::int16_t SetColumnWidth(QTreeWidget *listView, int column, float width, bool inPercent);

} // namespace Brimble::UI
