// brimble-testform: shows the action pad page on the developer's test form,
// outside the host's configuration dialog and without a connected host.
#include "editor/frmactionpadtest.h"

#ifdef BRIMBLE_TESTFORM_WITH_HOST
#include "host/impl/hostclasses.h"
#endif

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
#ifdef BRIMBLE_TESTFORM_WITH_HOST
    // The host's creatable classes (translator, utility object, file dialog)
    // serve the page as they would inside the host.
    Corvane::Host::registerHostClasses();
#endif
    auto *form = new Brimble::frmActionPadTest;
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();
    return QApplication::exec();
}
