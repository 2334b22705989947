#pragma once

#include <QObject>

class QWidget;

namespace Brimble {

// A widget as the anchoring code sees a control: its position and size in
// twips, the widget that contains it, the form (top-level window) it is on, and
// Move. All members are reached by name at run time.
//
// Left/Top are relative to the container (for a form: the frame's position on
// the screen); Width/Height are the outer size (for a form: including its
// frame); ScaleWidth/ScaleHeight are the area that children are placed in (for a
// form: its client area).
class ControlAdapter final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(float Left READ Left WRITE setLeft)
    Q_PROPERTY(float Top READ Top WRITE setTop)
    Q_PROPERTY(float Width READ Width WRITE setWidth)
    Q_PROPERTY(float Height READ Height WRITE setHeight)
    Q_PROPERTY(float ScaleWidth READ ScaleWidth)
    Q_PROPERTY(float ScaleHeight READ ScaleHeight)
    Q_PROPERTY(QObject *Container READ Container)
    Q_PROPERTY(QObject *Parent READ Parent)

public:
    // The widget's adapter, made on first use. It is a child of the widget and
    // goes away with it.
    static ControlAdapter *of(QWidget *widget);

    QWidget *widget() const { return m_widget; }
    // The type test for forms: the adapter of a top-level window.
    bool isForm() const;

    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    float ScaleWidth() const;
    float ScaleHeight() const;
    void setLeft(float value);
    void setTop(float value);
    void setWidth(float value);
    void setHeight(float value);

    // The adapter of the containing widget; null for a form.
    QObject *Container() const;
    // The adapter of the form the control is on (the form itself for a form).
    QObject *Parent() const;

    // Places and sizes the widget in one step (twips). A negative width or
    // height is error 380 and leaves the widget where it was.
    Q_INVOKABLE void Move(float Left, float Top, float Width, float Height);

private:
    explicit ControlAdapter(QWidget *widget);

    QWidget *m_widget;
};

} // namespace Brimble
