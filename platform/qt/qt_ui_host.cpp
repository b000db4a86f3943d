#include "qt_ui_host.h"

#include <uihost.h>
#include <winuser.h>

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// A sheet walk pumps events once for every 16 bytes of its file, hundreds
// of thousands of times a second; processing them costs microseconds, so it
// is done only when this much time has passed since it was last done, which
// still keeps the window responsive.
constexpr auto kEventInterval = std::chrono::milliseconds(2);

// When the event pump last did its work. Events belong to the GUI thread,
// which is the only one that pumps them.
Clock::time_point lastProcessed;

const int kIconMask = 0xF0;

QString FromWide(LPCWSTR text) { return text ? QString::fromUtf16(text) : QString(); }

QMessageBox::Icon IconOf(UINT type)
{
    switch (type & kIconMask) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int ShowMessageBox(void*, LPCWSTR text, LPCWSTR caption, UINT type)
{
    QMessageBox box(IconOf(type), FromWide(caption), FromWide(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
    return IDOK;
}

HRESULT AskForText(void*, LPCWSTR prompt, LPCWSTR title, BSTR* answer)
{
    *answer = nullptr;
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(FromWide(title));
    dialog.setLabelText(FromWide(prompt));
    // Closing the dialog rejects it, as Cancel does.
    if (dialog.exec() != QDialog::Accepted) return S_FALSE;
    const QString text = dialog.textValue();
    *answer = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.utf16()), static_cast<UINT>(text.size()));
    return *answer ? S_OK : E_OUTOFMEMORY;
}

BOOL PumpEvents(void*)
{
    if (Clock::now() - lastProcessed < kEventInterval) return FALSE;
    QCoreApplication::processEvents();
    lastProcessed = Clock::now();
    return TRUE;
}

}  // namespace

void InstallQtUiHost()
{
    const PLATFORM_UI_HOST host{nullptr, &ShowMessageBox, &AskForText, &PumpEvents};
    SetUiHost(&host);
}
