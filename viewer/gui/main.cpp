// tilebridge: asks for a tile file, draws its tiles in Form1 and runs the
// window's event loop until the window is closed.
#include "binary_row_converter.h"
#include "form1.h"
#include "qt_common_dialog.h"

#include <hostui.h>
#include <qt_ui_host.h>

#include <QApplication>

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
