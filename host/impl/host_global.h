#pragma once

#include <QtCore/qglobal.h>

#if defined(CORVANE_HOST_LIBRARY)
#define CORVANE_HOST_EXPORT Q_DECL_EXPORT
#else
#define CORVANE_HOST_EXPORT Q_DECL_IMPORT
#endif
