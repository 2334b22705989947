#include "controladapter.h"

#include "platform/runtimeerror.h"
#include "platform/twips.h"

#include <QWidget>

using namespace Corvane::Platform;

namespace Brimble {

ControlAdapter::ControlAdapter(QWidget *widget)
    : QObject(widget)
    , m_widget(widget)
{
}

ControlAdapter *ControlAdapter::of(QWidget *widget)
{
    if (!widget)
        return nullptr;
    if (auto *existing = widget->findChild<ControlAdapter *>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new ControlAdapter(widget);
}

bool ControlAdapter::isForm() const
{
    return m_widget->isWindow();
}

float ControlAdapter::Left() const
{
    const int x = isForm() ? m_widget->frameGeometry().x() : m_widget->x();
    return Twips::fromPixels(x, m_widget);
}

float ControlAdapter::Top() const
{
    const int y = isForm() ? m_widget->frameGeometry().y() : m_widget->y();
    return Twips::fromPixels(y, m_widget);
}

float ControlAdapter::Width() const
{
    const int width = isForm() ? m_widget->frameGeometry().width() : m_widget->width();
    return Twips::fromPixels(width, m_widget);
}

float ControlAdapter::Height() const
{
    const int height = isForm() ? m_widget->frameGeometry().height() : m_widget->height();
    return Twips::fromPixels(height, m_widget);
}

float ControlAdapter::ScaleWidth() const
{
    return Twips::fromPixels(m_widget->width(), m_widget);
}

float ControlAdapter::ScaleHeight() const
{
    return Twips::fromPixels(m_widget->height(), m_widget);
}

void ControlAdapter::setLeft(float value)
{
    Move(value, Top(), Width(), Height());
}

void ControlAdapter::setTop(float value)
{
    Move(Left(), value, Width(), Height());
}

void ControlAdapter::setWidth(float value)
{
    Move(Left(), Top(), value, Height());
}

void ControlAdapter::setHeight(float value)
{
    Move(Left(), Top(), Width(), value);
}

QObject *ControlAdapter::Container() const
{
    return isForm() ? nullptr : of(m_widget->parentWidget());
}

QObject *ControlAdapter::Parent() const
{
    return of(m_widget->window());
}

void ControlAdapter::Move(float Left, float Top, float Width, float Height)
{
    if (Width < 0.0f || Height < 0.0f) {
        const QString name = m_widget->objectName().isEmpty()
                                 ? QString::fromLatin1(m_widget->metaObject()->className())
                                 : m_widget->objectName();
        raiseError(ErrorNumber::InvalidPropertyValue, QStringLiteral("ControlAdapter"),
                   QStringLiteral("%1 cannot be %2 twips wide and %3 twips high; make its "
                                  "container larger")
                       .arg(name, QString::number(Width), QString::number(Height)));
    }
    const QPoint position(Twips::toPixels(Left, m_widget), Twips::toPixels(Top, m_widget));
    QSize size(Twips::toPixels(Width, m_widget), Twips::toPixels(Height, m_widget));
    if (isForm()) {
        // The outer size includes the window frame; Qt sizes the client area.
        size -= m_widget->frameGeometry().size() - m_widget->size();
        m_widget->move(position);
        m_widget->resize(size.expandedTo(QSize(0, 0)));
    } else {
        m_widget->setGeometry(QRect(position, size));
    }
}

} // namespace Brimble
