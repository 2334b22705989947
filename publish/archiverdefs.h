#pragma once

// What the archiver's units share: its text sections and codes.
#include "addin/vbdebug.h"
#include "host/api/application.h"

#include <QString>

namespace Brimble::ArchiverDefs {

inline const QString kSection = QStringLiteral("ActionPadArchiver");
inline const QString kStatusSection = QStringLiteral("PublishStatus");

namespace MessageBox = Corvane::Host::MessageBoxCode;
namespace Pointer = Corvane::Host::MousePointerCode;

// Debug lines are built only while someone reads them: a preview reports
// every file of the web folders.
inline bool debugging()
{
    return VBDebug::DebugFlag();
}

} // namespace Brimble::ArchiverDefs
