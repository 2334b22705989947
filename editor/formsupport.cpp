#include "editor/formsupport.h"

#include "addin/ui.h"
#include "host/api/application.h"
#include "platform/runtimeerror.h"
#include "platform/twips.h"

#include <QLayout>
#include <QWidget>

using Corvane::Platform::Twips::toPixels;

namespace Brimble {
Q_LOGGING_CATEGORY(lcEditor, "corvane.brimble.editor")
}

namespace Brimble::FormSupport {

QFont designFont()
{
    QFont font(QStringLiteral("Microsoft Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    return font;
}

void resizeClient(QWidget *window, float width, float height)
{
    window->resize(toPixels(width, window), toPixels(height, window));
}

void setDesignMinimum(QWidget *control, float width, float height)
{
    const QSize design(toPixels(width, control), toPixels(height, control));
    control->setMinimumSize(design.expandedTo(control->minimumSizeHint()));
}

void setDesignMargins(QLayout *layout, const QWidget *widget, float left, float top, float right,
                      float bottom, float spacing)
{
    layout->setContentsMargins(toPixels(left, widget), toPixels(top, widget),
                               toPixels(right, widget), toPixels(bottom, widget));
    layout->setSpacing(toPixels(spacing, widget));
}

QString errorDescription(const std::exception &error)
{
    if (const auto *runtimeError = dynamic_cast<const Corvane::Platform::RuntimeError *>(&error))
        return runtimeError->description();
    return QString::fromLocal8Bit(error.what());
}

void reportError(const QString &description)
{
    using namespace Corvane::Host::MessageBoxCode;
    try {
        UI::ShowMessage(description, OkOnly, Exclamation, 0);
    } catch (const std::exception &error) {
        qCWarning(lcEditor).noquote()
            << description << QStringLiteral("(not shown: %1)").arg(errorDescription(error));
    }
}

} // namespace Brimble::FormSupport
