#pragma once

#include <QStringList>

class QWidget;

namespace LayoutCheck {

// What is wrong with the window as it is drawn now: every visible text that
// does not fit the rectangle its widget draws it in (font metrics against the
// contents rectangle, word wrap considered), every visible widget that sticks
// out of its parent, and every two visible sibling widgets that overlap. Each
// problem is one line naming the widgets by their object names.
QStringList problems(const QWidget *window);

} // namespace LayoutCheck
