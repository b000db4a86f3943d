// tilebridge: asks for a tile file, draws its tiles in Form1 and runs the
// window's event loop until the window is closed.
#include "binary_row_converter.h"
#include "form1.h"
#include "qt_common_dialog.h"

#include <uihost.h>
#include <qt_ui_host.h>

#include <QApplication>

#if defined(__SANITIZE_ADDRESS__)
// The D-Bus library that Qt's X11 platform uses keeps an allocation to the
// end of the process; it is none of this program's, so leak checks skip it.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}
#endif

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    InstallQtUiHost();
    int status = 0;
    {
        // Created on the first tile row and released here, at the end.
        BinaryRowConverter binary;
        QtCommonDialog cd1;
        Form1 form(cd1, binary);
        cd1.SetParent(&form);
        form.Load();
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
