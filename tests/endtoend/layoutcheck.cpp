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
    return int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0) |
           (label->buddy() ? Qt::TextShowMnemonic : 0);
}

QRect labelTextArea(const QLabel *label)
{
    const int margin = label->margin();
    return label->contentsRect().adjusted(margin, margin, -margin, -margin);
}

// Where the widget draws, in its parent's coordinates: a label's plain text where its
// alignment puts it, any other widget its whole rectangle.
QRect occupied(const QWidget *widget)
{
    const auto *label = qobject_cast<const QLabel *>(widget);
    if (!label)
        return widget->geometry();
    if (label->text().isEmpty())
        return label->pixmap().isNull() ? QRect() : widget->geometry();
    if (shownAsRichText(label))
        return widget->geometry();
    const QRect text =
        label->fontMetrics().boundingRect(labelTextArea(label), labelFlags(label), label->text());
    return text.intersected(label->rect()).translated(label->pos());
}

// "<name>: the text "<text>" needs <size>, it has <size>" when the text does not fit.
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

// A button's text (and icon) in its contents rectangle; a group box's title and a combo box's
// current text in one line across their contents and edit field.
void checkText(const QWidget *widget, QStringList &found)
{
    QString text;
    QSize has;
    int iconWidth = -1; // none: only the width counts
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        checkLabel(label, found);
    } else if (const auto *button = qobject_cast<const QPushButton *>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = text = button->text();
        option.icon = button->icon();
        option.iconSize = button->iconSize();
        if (button->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
        iconWidth = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
        has =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).size();
    } else if (const auto *box = qobject_cast<const QGroupBox *>(widget)) {
        text = box->title();
        has = box->contentsRect().size();
    } else if (const auto *combo = qobject_cast<const QComboBox *>(widget)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        option.currentText = text = combo->currentText();
        has =
            combo->style()
                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
                .size();
    } else if (const auto *edit = qobject_cast<const QPlainTextEdit *>(widget);
               edit && edit->isReadOnly() && !edit->toPlainText().isEmpty() &&
               (edit->verticalScrollBar()->maximum() > 0 ||
                edit->horizontalScrollBar()->maximum() > 0)) {
        // A read-only text box shows its whole text without scrolling.
        found << QStringLiteral("%1: its text does not fit without scrolling (viewport %2)")
                     .arg(nameOf(edit), sizeText(edit->viewport()->size()));
    }
    if (text.isEmpty())
        return;
    QSize needed = widget->fontMetrics().size(Qt::TextShowMnemonic, text);
    if (iconWidth < 0)
        needed.setHeight(0);
    needed.rwidth() += qMax(iconWidth, 0);
    checkFits(widget, text, needed, has, found);
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
    QList<const QWidget *> children;
    for (const QWidget *child : widget->findChildren<const QWidget *>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow() && child->isVisible() && !child->size().isEmpty())
            children.append(child);
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
