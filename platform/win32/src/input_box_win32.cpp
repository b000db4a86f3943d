// InputBox on Windows: a modal dialog with the prompt, an edit box, OK and
// Cancel. The dialog is built from a template in memory, so it needs no
// resource in the module that asks.
#include <hostui.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

// Dialog units.
constexpr short kDialogWidth = 236;
constexpr short kDialogHeight = 82;
constexpr short kMargin = 7;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr short kEditHeight = 12;

constexpr WORD kPromptId = 100;
constexpr WORD kAnswerId = 101;

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

// A DLGTEMPLATE with its items, written field by field in the layout that
// DialogBoxIndirectParam reads.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, LPCWSTR title, short cx, short cy, WORD items)
    {
        DWord(style);
        DWord(0);
        Word(items);
        Word(0);
        Word(0);
        Word(static_cast<WORD>(cx));
        Word(static_cast<WORD>(cy));
        Word(0);  // no menu
        Word(0);  // the standard dialog class
        Text(title);
        Word(8);  // DS_SETFONT: point size and face
        Text(L"MS Shell Dlg");
    }

    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD windowClass, LPCWSTR text)
    {
        while (bytes_.size() % sizeof(DWORD) != 0) bytes_.push_back(0);
        DWord(style | WS_CHILD | WS_VISIBLE);
        DWord(0);
        Word(static_cast<WORD>(x));
        Word(static_cast<WORD>(y));
        Word(static_cast<WORD>(cx));
        Word(static_cast<WORD>(cy));
        Word(id);
        Word(0xFFFF);
        Word(windowClass);
        Text(text);
        Word(0);  // no creation data
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

private:
    void Word(WORD value)
    {
        bytes_.push_back(static_cast<BYTE>(value & 0xFF));
        bytes_.push_back(static_cast<BYTE>(value >> 8));
    }
    void DWord(DWORD value)
    {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Text(LPCWSTR text)
    {
        for (; *text; ++text) Word(static_cast<WORD>(*text));
        Word(0);
    }

    // operator new aligns the buffer for a DWORD, as the template needs.
    std::vector<BYTE> bytes_;
};

DialogTemplate PromptTemplate(LPCWSTR prompt, LPCWSTR title)
{
    constexpr short buttonX = kDialogWidth - kMargin - kButtonWidth;
    constexpr short editY = kDialogHeight - kMargin - kEditHeight;
    DialogTemplate dialog(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, title,
                          kDialogWidth, kDialogHeight, 4);
    dialog.Item(SS_LEFT | SS_NOPREFIX, kMargin, kMargin, buttonX - 2 * kMargin, editY - 2 * kMargin, kPromptId,
                kStaticClass, prompt);
    dialog.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, buttonX, kMargin, kButtonWidth, kButtonHeight, IDOK, kButtonClass,
                L"OK");
    dialog.Item(BS_PUSHBUTTON | WS_TABSTOP, buttonX, kMargin + kButtonHeight + 4, kButtonWidth, kButtonHeight,
                IDCANCEL, kButtonClass, L"Cancel");
    dialog.Item(ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kMargin, editY, kDialogWidth - 2 * kMargin,
                kEditHeight, kAnswerId, kEditClass, L"");
    return dialog;
}

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetForegroundWindow(dialog);
        SetFocus(GetDlgItem(dialog, kAnswerId));
        return FALSE;  // the focus is set
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            auto* answer = reinterpret_cast<std::wstring*>(GetWindowLongPtrW(dialog, DWLP_USER));
            const HWND edit = GetDlgItem(dialog, kAnswerId);
            answer->resize(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1);
            const int length = GetWindowTextW(edit, answer->data(), static_cast<int>(answer->size()));
            answer->resize(static_cast<std::size_t>(length > 0 ? length : 0));
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

STDAPI InputBoxW(LPCWSTR prompt, LPCWSTR title, BSTR* answer)
{
    if (!answer) return E_POINTER;
    *answer = nullptr;
    const DialogTemplate dialog = PromptTemplate(prompt ? prompt : L"", title ? title : L"");
    std::wstring typed;
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), GetActiveWindow(),
                                                   PromptProc, reinterpret_cast<LPARAM>(&typed));
    if (result == -1) return HRESULT_FROM_WIN32(GetLastError());
    if (result != IDOK) return S_FALSE;
    *answer = SysAllocStringLen(typed.data(), static_cast<UINT>(typed.size()));
    return *answer ? S_OK : E_OUTOFMEMORY;
}
