#pragma once

#include <QtCore/qglobal.h>

#if defined(CORVANE_PLATFORM_LIBRARY)
#define CORVANE_PLATFORM_EXPORT Q_DECL_EXPORT
#else
#define CORVANE_PLATFORM_EXPORT Q_DECL_IMPORT
#endif
