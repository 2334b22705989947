// The probe add-in library: a real component library in a folder of its own,
// for the add-in manager's tests. It serves a working add-in, one that fails
// to connect, and a class that is no add-in.

#include "../testaddin.h"

#include "platform/componentserver.h"

using namespace Corvane::Platform;

namespace {

ComponentServer::ObjectCounter g_objects;

QObject *createAddin()
{
    return g_objects.track(new HostTest::TestAddin({}));
}

QObject *createBrokenAddin()
{
    return g_objects.track(new HostTest::TestAddin({.failConnection = true}));
}

QObject *createHelper()
{
    return g_objects.track(new QObject);
}

const ComponentClass kClasses[] = {{"CorvaneProbe.Addin", &createAddin},
                                   {"CorvaneProbeBroken.Addin", &createBrokenAddin},
                                   {"CorvaneProbe.Helper", &createHelper}};

} // namespace

CORVANE_COMPONENT_SERVER(kClasses, g_objects)
