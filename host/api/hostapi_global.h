#pragma once

#include <QtCore/qglobal.h>

#if defined(CORVANE_HOSTAPI_LIBRARY)
#define CORVANE_HOSTAPI_EXPORT Q_DECL_EXPORT
#else
#define CORVANE_HOSTAPI_EXPORT Q_DECL_IMPORT
#endif
