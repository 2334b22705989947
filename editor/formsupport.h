#pragma once

#include <QFont>
#include <QLoggingCategory>
#include <QString>

#include <exception>

class QLayout;
class QWidget;

namespace Brimble {

// The editor windows' diagnostics that do not belong in the debug log.
Q_DECLARE_LOGGING_CATEGORY(lcEditor)

} // namespace Brimble

// What the add-in's windows share: the font of their design, their design
// geometry (kept in twips) as the least their layouts give, and reporting an
// error that ends one of their handlers.
namespace Brimble::FormSupport {

// "Microsoft Sans Serif", 8.25 point, normal weight; where that family is
// missing, Qt picks a sans serif through the style hint.
QFont designFont();

// Gives a top-level window (or a page) the client size of its design.
void resizeClient(QWidget *window, float width, float height);

// The windows lay out from their texts: the design size of a control is its
// minimum, or what its text needs when that is more. Called again after the
// text of a button changed. Frames and panels get no minimum of their own:
// their contents and layouts give it.
void setDesignMinimum(QWidget *control, float width, float height);
// A layout's margins, and the spacing between its items, in twips.
void setDesignMargins(QLayout *layout, const QWidget *widget, float left, float top, float right,
                      float bottom, float spacing);

// The description of a runtime error, or the text of any other exception.
QString errorDescription(const std::exception &error);

// Shows the description in an exclamation message with an OK button. Without
// a host to show it, it goes to the editor's log instead; it never throws.
void reportError(const QString &description);

} // namespace Brimble::FormSupport
