// cd1 over the system's common dialogs (GetOpenFileNameW, GetSaveFileNameW).
// Paths leave the dialog as UTF-16 and are kept as UTF-8, which the viewer's
// file table hands to the file system as UTF-16 again, so a name with any
// character opens. A name that is no Unicode text (an unpaired surrogate)
// has no UTF-8 form: the dialog refuses it with a message and asks again.
#pragma once

#include "common_dialog.h"

#include <windows.h>

#include <optional>
#include <string>

// A path as the viewer's file table takes it (UTF-8); nothing for a name
// with an unpaired surrogate, which UTF-8 can't carry: the file system
// would be given another name in its place.
std::optional<std::string> Utf8FromWide(const wchar_t* wide);
// What the user is told of such a name.
std::wstring NoUnicodeName(const wchar_t* name);

// "Desc|pattern|Desc|pattern|..." as the dialog's list of NUL-separated
// pairs, ending in two NULs; a description without a pattern is left out.
std::wstring SystemFilter(WideTextView filter);

class Win32CommonDialog final : public CommonDialog {
public:
    // The window that a dialog belongs to while that window is visible.
    void SetOwner(HWND owner) { owner_ = owner; }

    std::string ShowOpen() override;
    std::string ShowSave() override;

private:
    std::string Show(bool save);

    HWND owner_ = nullptr;
};
