#include "layoutcheck.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabWidget>

namespace LayoutCheck {

namespace {

QString nameOf(const QWidget *widget)
{
    const QString name = widget->objectName();
    return name.isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : name;
}

QString sizeText(const QSize &size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

bool shownAsRichText(const QLabel *label)
{
    return label->textFormat() == Qt::RichText ||
           (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
}

int labelFlags(const QLabel *label)
{
    int flags = int(label->alignment());
    if (label->wordWrap())
        flags |= Qt::TextWordWrap;
    if (label->buddy())
        flags |= Qt::TextShowMnemonic;
    return flags;
}

QRect labelTextArea(const QLabel *label)
{
    const int margin = label->margin();
    return label->contentsRect().adjusted(margin, margin, -margin, -margin);
}

bool hasPlainText(const QLabel *label)
{
    return !label->text().isEmpty() && !shownAsRichText(label);
}

// Where the widget draws, in its parent's coordinates: a label's text where
// its alignment puts it, any other widget its whole rectangle.
QRect occupied(const QWidget *widget)
{
    const auto *label = qobject_cast<const QLabel *>(widget);
    if (!label || (label->pixmap().isNull() && label->text().isEmpty()))
        return label ? QRect() : widget->geometry();
    if (!hasPlainText(label))
        return widget->geometry();
    const QRect area = labelTextArea(label);
    const QRect text = label->fontMetrics().boundingRect(area, labelFlags(label), label->text());
    return text.intersected(label->rect()).translated(label->pos());
}

// "<path>: the text "<text>" needs <size>, it has <size>" when the text does not fit.
void checkFits(const QWidget *widget, const QString &text, const QSize &needed, const QSize &has,
               QStringList &found)
{
    if (needed.width() > has.width() || needed.height() > has.height())
        found << QStringLiteral("%1: the text \"%2\" needs %3, it has %4")
                     .arg(nameOf(widget), text, sizeText(needed), sizeText(has));
}

void checkLabel(const QLabel *label, QStringList &found)
{
    if (label->text().isEmpty() || !label->pixmap().isNull())
        return;
    if (shownAsRichText(label)) {
        const int needed = label->wordWrap() ? label->heightForWidth(label->width())
                                             : label->minimumSizeHint().height();
        if (needed > label->height())
            found << QStringLiteral("%1: its text needs a height of %2, it has %3")
                         .arg(nameOf(label))
                         .arg(needed)
                         .arg(label->height());
        return;
    }
    const QRect area = labelTextArea(label);
    const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, area.width(), 1 << 20),
                                                           labelFlags(label), label->text());
    checkFits(label, label->text(), needed.size(), area.size(), found);
}

void checkButton(const QPushButton *button, QStringList &found)
{
    if (button->text().isEmpty())
        return;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    if (button->isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    QSize needed = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    if (!button->icon().isNull())
        needed.rwidth() += button->iconSize().width() + 4;
    checkFits(
        button, button->text(), needed,
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).size(),
        found);
}

void checkComboBox(const QComboBox *combo, QStringList &found)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.currentText = combo->currentText();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    checkFits(combo, combo->currentText(),
              QSize(combo->fontMetrics().horizontalAdvance(combo->currentText()), 0), field.size(),
              found);
}

void checkText(const QWidget *widget, QStringList &found)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        checkLabel(label, found);
    else if (const auto *button = qobject_cast<const QPushButton *>(widget))
        checkButton(button, found);
    else if (const auto *box = qobject_cast<const QGroupBox *>(widget))
        checkFits(box, box->title(),
                  QSize(box->fontMetrics().size(Qt::TextShowMnemonic, box->title()).width(), 0),
                  box->contentsRect().size(), found);
    else if (const auto *combo = qobject_cast<const QComboBox *>(widget))
        checkComboBox(combo, found);
    // A read-only text box shows its whole text without scrolling.
    else if (const auto *text = qobject_cast<const QPlainTextEdit *>(widget);
             text && text->isReadOnly() && !text->toPlainText().isEmpty() &&
             (text->verticalScrollBar()->maximum() > 0 ||
              text->horizontalScrollBar()->maximum() > 0))
        found << QStringLiteral("%1: its text does not fit without scrolling (viewport %2)")
                     .arg(nameOf(text), sizeText(text->viewport()->size()));
}

QList<const QWidget *> visibleChildren(const QWidget *widget)
{
    QList<const QWidget *> children;
    for (const QObject *child : widget->children()) {
        const auto *childWidget = qobject_cast<const QWidget *>(child);
        if (childWidget && !childWidget->isWindow() && childWidget->isVisible() &&
            !childWidget->size().isEmpty())
            children.append(childWidget);
    }
    return children;
}

// A scroll area's viewport holds content larger than itself by design, and a
// tab widget lays its tab bar over the edge of its pages' frame.
bool arrangesItsOwn(const QWidget *widget)
{
    const auto *area = qobject_cast<const QAbstractScrollArea *>(widget->parentWidget());
    return (area && area->viewport() == widget) || qobject_cast<const QTabWidget *>(widget);
}

void checkChildren(const QWidget *widget, QStringList &found)
{
    const QList<const QWidget *> children = visibleChildren(widget);
    if (!arrangesItsOwn(widget)) {
        for (qsizetype i = 0; i < children.size(); ++i) {
            const QWidget *child = children.at(i);
            if (!widget->rect().contains(child->geometry()))
                found << QStringLiteral("%1 (%2 at %3,%4) sticks out of its parent (%5)")
                             .arg(nameOf(child), sizeText(child->size()))
                             .arg(child->x())
                             .arg(child->y())
                             .arg(sizeText(widget->size()));
            for (qsizetype j = i + 1; j < children.size(); ++j) {
                const QRect overlap = occupied(child).intersected(occupied(children.at(j)));
                if (!overlap.isEmpty())
                    found << QStringLiteral("%1 and %2 overlap (%3)")
                                 .arg(nameOf(child), nameOf(children.at(j)),
                                      sizeText(overlap.size()));
            }
        }
    }
    for (const QWidget *child : children) {
        checkText(child, found);
        checkChildren(child, found);
    }
}

} // namespace

QStringList problems(const QWidget *window)
{
    QStringList found;
    checkText(window, found);
    checkChildren(window, found);
    return found;
}

} // namespace LayoutCheck
