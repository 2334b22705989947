#pragma once

// One test's fake host and a fresh translator; destruction disconnects the add-in
// and resets what it keeps between calls (translator, debug flag, mouse pointer).

#include "addin/applicationmanager.h"
#include "addin/resourcemanager.h"
#include "addin/vbdebug.h"

#include "tests/fakehost/fakehost.h"

#include <QGuiApplication>

namespace AddinTest {

class Fixture final
{
public:
    explicit Fixture(bool connected = true)
    {
        Brimble::ResourceManager::ResetTranslatorForTests();
        if (connected)
            connect();
    }
    ~Fixture()
    {
        Brimble::ApplicationManager::SetApplication(nullptr);
        Brimble::ResourceManager::ResetTranslatorForTests();
        Brimble::VBDebug::SetDebugFlag(false);
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            while (QGuiApplication::overrideCursor())
                QGuiApplication::restoreOverrideCursor();
    }
    Q_DISABLE_COPY_MOVE(Fixture)

    void connect() { Brimble::ApplicationManager::SetApplication(&host.application); }

    FakeHost::Host host;
};

} // namespace AddinTest
