// A shared library that is no component library: the add-in manager must
// leave it alone.

#include <QtGlobal>

extern "C" Q_DECL_EXPORT int corvaneProbePlainAnswer()
{
    return 42;
}
