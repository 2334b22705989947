#include "controlresizer.h"

#include "controladapter.h"

#include "platform/latebinding.h"
#include "platform/runtimeerror.h"

#include <cmath>

using namespace Corvane::Platform;

namespace Brimble {

namespace {

const QString kSource = QStringLiteral("ControlResizer");

// Resize walks the list with a 16-bit signed index.
constexpr int kLastIndex = 32767;

float single(const QObject *object, const char *name)
{
    const QVariant value = LateBinding::getProperty(object, name);
    bool ok = false;
    const float number = value.toFloat(&ok);
    if (!ok)
        raiseError(ErrorNumber::TypeMismatch, kSource,
                   QStringLiteral("\"%1\" of %2 is no number")
                       .arg(QLatin1String(name), QLatin1String(object->metaObject()->className())));
    return number;
}

QObject *objectProperty(const QObject *object, const char *name)
{
    const QVariant value = LateBinding::getProperty(object, name);
    if (!value.metaType().flags().testFlag(QMetaType::PointerToQObject))
        raiseError(ErrorNumber::TypeMismatch, kSource,
                   QStringLiteral("\"%1\" of %2 is no object")
                       .arg(QLatin1String(name), QLatin1String(object->metaObject()->className())));
    return value.value<QObject *>();
}

// The platform's type test for a form: a top-level window.
bool isForm(const QObject *container)
{
    const auto *adapter = qobject_cast<const ControlAdapter *>(container);
    return adapter && adapter->isForm();
}

void requireFinite(std::initializer_list<float> values)
{
    for (const float value : values)
        if (!std::isfinite(value))
            raiseError(ErrorNumber::Overflow, kSource,
                       QStringLiteral("a position or size is out of range"));
}

} // namespace

ControlResizer::ControlResizer(QObject *parent)
    : QObject(parent)
{
}

ControlResizer::~ControlResizer() = default;

void ControlResizer::Add(QObject *Ctrl, const QString &Align)
{
    AnchorRecord record;
    record.Height = single(Ctrl, "Height");
    record.Width = single(Ctrl, "Width");
    record.Left = single(Ctrl, "Left");
    record.Top = single(Ctrl, "Top");

    const QObject *container = objectProperty(Ctrl, "Container");
    if (isForm(container)) {
        record.ContainerWidth = single(container, "ScaleWidth");
        record.ContainerHeight = single(container, "ScaleHeight");
    } else {
        record.ContainerWidth = single(container, "Width");
        record.ContainerHeight = single(container, "Height");
    }

    const QString align = Align.toUpper();
    record.AnchorLeft = align.contains(QLatin1Char('L'));
    record.AnchorRight = align.contains(QLatin1Char('R'));
    record.AnchorTop = align.contains(QLatin1Char('T'));
    record.AnchorBottom = align.contains(QLatin1Char('B'));
    record.Ctrl = Ctrl;

    // While m_MinWidth is 0 the list is (re)started with the single slot 0.
    if (m_MinWidth == 0.0f) {
        if (!m_Anchors)
            m_Anchors.emplace();
        m_Anchors->resize(1);
    } else {
        m_Anchors->append(AnchorRecord());
    }
    m_Anchors->last() = record;

    const QObject *form = objectProperty(Ctrl, "Parent");
    m_MinWidth = single(form, "ScaleWidth");
    m_MinHeight = single(form, "ScaleHeight");
}

void ControlResizer::Resize()
{
    if (!m_Anchors)
        raiseError(ErrorNumber::SubscriptOutOfRange, kSource,
                   QStringLiteral("no control has been added; call Add before Resize"));
    for (int i = 0; i < m_Anchors->size(); ++i) {
        // A copy: Move may run code that adds controls meanwhile.
        const AnchorRecord record = m_Anchors->at(i);
        resizeControl(record);
        if (i == kLastIndex)
            raiseError(ErrorNumber::Overflow, kSource,
                       QStringLiteral("more than %1 controls are registered").arg(kLastIndex));
    }
}

void ControlResizer::resizeControl(const AnchorRecord &record) const
{
    QObject *control = record.Ctrl.data();
    const QObject *container = objectProperty(control, "Container");
    float cw = 0;
    float ch = 0;
    if (isForm(container)) {
        cw = single(container, "ScaleWidth");
        if (cw < m_MinWidth)
            cw = m_MinWidth;
        ch = single(container, "ScaleHeight");
        if (ch < m_MinHeight)
            ch = m_MinHeight;
    } else {
        cw = single(container, "Width");
        ch = single(container, "Height");
    }

    float left = record.Left;
    float width = record.Width;
    const float rightMargin = record.ContainerWidth - (record.Width + record.Left);
    if (record.AnchorLeft && record.AnchorRight)
        width = (cw - record.Left) - rightMargin;
    else if (record.AnchorRight)
        left = cw - rightMargin - record.Width;

    float top = record.Top;
    float height = record.Height;
    const float bottomMargin = record.ContainerHeight - (record.Height + record.Top);
    if (record.AnchorTop && record.AnchorBottom)
        height = (ch - record.Top) - bottomMargin;
    else if (record.AnchorBottom)
        top = (ch - record.Height) - bottomMargin;

    requireFinite({left, top, width, height});
    LateBinding::call(control, "Move", {left, top, width, height});
}

} // namespace Brimble
