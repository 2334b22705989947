// The add-in library's component-server exports: the registry finds the
// library's public classes through these.
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

extern "C" Q_DECL_EXPORT int DllRegisterServer()
{
    return ComponentServer::registerClasses(kClasses, reinterpret_cast<const void *>(&objects));
}

extern "C" Q_DECL_EXPORT int DllUnregisterServer()
{
    return ComponentServer::unregisterClasses(kClasses);
}

extern "C" Q_DECL_EXPORT ComponentCreateFunction DllGetClassObject(const char *classId)
{
    return ComponentServer::findClass(kClasses, classId);
}

extern "C" Q_DECL_EXPORT int DllCanUnloadNow()
{
    return objects().canUnloadNow();
}
