// tilebridge [FILE]: asks for a tile file unless one is named, draws its
// tiles in Form1 and runs the window's event loop until the window is closed.
#include "binary_row_converter.h"
#include "form1.h"
#include "qt_common_dialog.h"
#include "registration_hint.h"

#include <uihost.h>
#include <qt_ui_host.h>

#include <QApplication>

#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// Qt's accessibility bridge connects to the session bus, and the D-Bus
// library and Qt's bus manager keep allocations to the end of the process;
// they are none of this program's, so leak checks skip them. Qt is built
// without frame pointers: only the full unwinder sees through it to the
// function that allocated.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\nleak:QDBusConnection::sessionBus\n";
}
#endif

int main(int argc, char* argv[])
{
    // The menu belongs to the window, above its client area, and never moves
    // to a desktop-wide menu bar; this also spares asking the session bus for
    // one at start.
    QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    // The installed desktop entry, which gives the window its name and icon
    // in the desktop's list of windows.
    QApplication::setDesktopFileName(QStringLiteral("org.tilebridge.tilebridge"));
    QApplication app(argc, argv);
    // What is left once Qt took its own options; a file's name as the file
    // system has it, so that a name in any encoding opens.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    InstallQtUiHost();
    int status = 0;
    {
        // Created on the first tile row and released here, at the end.
        BinaryRowConverter binary(RegistrationHint(QApplication::applicationDirPath()));
        QtCommonDialog cd1;
        Form1 form(cd1, binary);
        cd1.SetParent(&form);
        form.Load(arguments);
        if (form.viewer().Ended()) {
            status = form.viewer().Failed() ? 1 : 0;
        } else {
            form.show();
            status = QApplication::exec();
        }
    }
    SetUiHost(nullptr);
    return status;
}
