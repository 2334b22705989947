#include "twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace Corvane::Platform::Twips {

float perPixel(const QWidget *widget)
{
    float dpi = 96.0f;
    if (widget) {
        dpi = static_cast<float>(widget->logicalDpiX());
    } else if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const QScreen *screen = app->primaryScreen())
            dpi = static_cast<float>(screen->logicalDotsPerInchX());
    }
    if (dpi <= 0.0f)
        dpi = 96.0f;
    return kPerInch / dpi;
}

int toPixels(float twips, const QWidget *widget)
{
    return static_cast<int>(std::lround(twips / perPixel(widget)));
}

float fromPixels(int pixels, const QWidget *widget)
{
    return static_cast<float>(pixels) * perPixel(widget);
}

} // namespace Corvane::Platform::Twips
