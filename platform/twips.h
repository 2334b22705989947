#pragma once

#include "platform_global.h"

class QWidget;

namespace Corvane::Platform::Twips {

// 1440 twips make one logical inch. All layout arithmetic is single precision.
constexpr float kPerInch = 1440.0f;

// Twips per pixel at the widget's (or the primary screen's) logical DPI.
CORVANE_PLATFORM_EXPORT float perPixel(const QWidget *widget = nullptr);

CORVANE_PLATFORM_EXPORT int toPixels(float twips, const QWidget *widget = nullptr);
CORVANE_PLATFORM_EXPORT float fromPixels(int pixels, const QWidget *widget = nullptr);

} // namespace Corvane::Platform::Twips
