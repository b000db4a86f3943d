// The main of the tests that need a QApplication: headless, and with HOME
// and XDG_DATA_HOME in a temporary folder, so that nothing of the user's
// own settings or component registry is read or changed.
#include "registered_component.h"
#include "temp_folder.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char* argv[])
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const TempFolder home;
    RegisteredComponent::UseRegistryIn(home);
    QApplication app(argc, argv);
    // Closing a window under test must not end the application.
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
