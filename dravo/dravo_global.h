#pragma once

#include <QtCore/qglobal.h>

#if defined(CORVANE_DRAVO_LIBRARY)
#define CORVANE_DRAVO_EXPORT Q_DECL_EXPORT
#else
#define CORVANE_DRAVO_EXPORT Q_DECL_IMPORT
#endif
