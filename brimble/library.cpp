// The add-in library's component-server exports: the registry finds the
// library's public classes through these. This file sits above the library's
// subsystem folders (addin, model, editor, publish, layout), which never
// include it or each other's exports.
#include "addin/addin.h"
#include "editor/ucactionpadeditor.h"
#include "layout/controlresizer.h"
#include "model/actionpad.h"
#include "model/dravowrapper.h"
#include "publish/actionpadarchiver.h"
#include "publish/archivefile.h"

#include "platform/componentserver.h"

using namespace Corvane::Platform;

namespace {

ComponentServer::ObjectCounter &objects()
{
    static ComponentServer::ObjectCounter counter;
    return counter;
}

template <typename T> QObject *create()
{
    return objects().track(new T);
}

// Every public class of the library, registered as "CorvaneBrimble." + class name.
const ComponentClass kClasses[] = {
    {"CorvaneBrimble.Addin", &create<Brimble::Addin>},
    {"CorvaneBrimble.ucActionPadEditor", &create<Brimble::ucActionPadEditor>},
    {"CorvaneBrimble.actionPad", &create<Brimble::actionPad>},
    {"CorvaneBrimble.DravoWrapper", &create<Brimble::DravoWrapper>},
    {"CorvaneBrimble.ActionPadArchiver", &create<Brimble::ActionPadArchiver>},
    {"CorvaneBrimble.ArchiveFile", &create<Brimble::ArchiveFile>},
    {"CorvaneBrimble.ControlResizer", &create<Brimble::ControlResizer>},
};

} // namespace

CORVANE_COMPONENT_SERVER(kClasses, objects())
