// The platform's user-facing services shown as Qt widgets: message boxes as
// QMessageBox, the text prompt as an input dialog, and the event pump as
// QCoreApplication::processEvents.
#pragma once

// Installs the Qt host through SetUiHost; needs a QApplication. SetUiHost
// with NULL brings the console host back.
void InstallQtUiHost();
