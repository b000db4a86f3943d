#include "form1.h"

#include "pen_cursor.h"

#include <commctrl.h>

namespace {

constexpr wchar_t kClassName[] = L"tilebridge.Form1";
constexpr wchar_t kCaption[] = L"Mr. Tavrel's NES to GB GFX Converter";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

enum ControlId : int { kExportConvertId = 1, kTilesTextId, kCommand1Id, kOffsetTextId, kCommand2Id };
enum MenuId : UINT { kBp1pMenuId = 101, kB2NesId, kB2GbId };

// The bottom row's divider, from (184, 344) to (184, 384).
constexpr POINT kLine1From{184, 344};
constexpr POINT kLine1To{184, 384};

// "MS Sans Serif" at the given size in points; the system substitutes the
// nearest font it has.
HFONT SansSerif(int points, int weight)
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       L"MS Sans Serif");
}

WideText WindowText(HWND window)
{
    WideText text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void RegisterClassOnce(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSEXW windowClass{};
    if (GetClassInfoExW(instance, kClassName, &windowClass)) return;
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
}

}  // namespace

Form1::Form1(HINSTANCE instance, CommonDialog& cd1, RowConverter& converter)
    : penCursor_(CreatePenCursor()),
      defaultFont_(SansSerif(8, FW_NORMAL)),
      tilesFont_(SansSerif(15, FW_BOLD)),
      viewer_(*this, cd1, converter)
{
    RegisterClassOnce(instance, &Form1::WindowProc);
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, kStyle, TRUE, 0);
    window_ = CreateWindowExW(0, kClassName, kCaption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, this);
    if (!window_) return;
    BuildMenu();
    // A menu bar taller than the system's estimate would shorten the client area.
    RECT client;
    GetClientRect(window_, &client);
    if (client.bottom != kClientHeight || client.right != kClientWidth) {
        SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left + kClientWidth - client.right,
                     frame.bottom - frame.top + kClientHeight - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    BuildControls(instance);
}

Form1::~Form1()
{
    if (window_) DestroyWindow(window_);
    DeleteObject(defaultFont_);
    DeleteObject(tilesFont_);
    if (penCursor_) DestroyCursor(penCursor_);
}

void Form1::BuildMenu()
{
    // The items have no handlers: the layout follows the file name only.
    HMENU bar = CreateMenu();
    HMENU format = CreatePopupMenu();
    AppendMenuW(format, MF_STRING, kBp1pMenuId, L"1BPP (Certain Fonts)");
    AppendMenuW(format, MF_STRING, kB2NesId, L"2BPP (NES)");
    AppendMenuW(format, MF_STRING, kB2GbId, L"2BPP (GameBoy)");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(format), L"Format");
    SetMenu(window_, bar);
}

HWND Form1::Place(HINSTANCE instance, const wchar_t* windowClass, const wchar_t* text, DWORD style, DWORD exStyle,
                  int left, int top, int width, int height, int id)
{
    HWND control = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, left, top,
                                   width, height, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                   nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(defaultFont_), FALSE);
    SetWindowSubclass(control, &Form1::ControlProc, 0, reinterpret_cast<DWORD_PTR>(this));
    return control;
}

void Form1::BuildControls(HINSTANCE instance)
{
    // Created in tab order: Picture1, tilestxt, Command1, offsettxt,
    // Command2, exportconvert.
    picture1_ = std::make_unique<PictureBox>(instance, window_, 16, 16);
    SetWindowSubclass(picture1_->Handle(), &Form1::ControlProc, 0, reinterpret_cast<DWORD_PTR>(this));
    tilestxt_ = Place(instance, L"EDIT", L"48", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 24, 352, 33, 27,
                      kTilesTextId);
    SendMessageW(tilestxt_, WM_SETFONT, reinterpret_cast<WPARAM>(tilesFont_), FALSE);
    // The big font leaves little room in the narrow box: no margins beside the text.
    SendMessageW(tilestxt_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
    command1_ = Place(instance, L"BUTTON", L"<- Tiles Per Row", BS_PUSHBUTTON, 0, 80, 352, 89, 25, kCommand1Id);
    offsettxt_ = Place(instance, L"EDIT", L"", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 192, 352, 121, 25,
                       kOffsetTextId);
    command2_ = Place(instance, L"BUTTON", L"<- Offset", BS_PUSHBUTTON, 0, 336, 352, 65, 25, kCommand2Id);
    exportconvert_ = Place(instance, L"BUTTON", L"Export Converted", BS_PUSHBUTTON | BS_MULTILINE, 0, 416, 16, 65, 41,
                           kExportConvertId);
}

bool Form1::Created() const
{
    return window_ && picture1_ && picture1_->Handle() && tilestxt_ && command1_ && offsettxt_ && command2_ &&
           exportconvert_;
}

WideText Form1::TilesText() const { return WindowText(tilestxt_); }

void Form1::SetTilesText(const WideText& text) { SetWindowTextW(tilestxt_, text.c_str()); }

WideText Form1::OffsetText() const { return WindowText(offsettxt_); }

void Form1::ShowWindow()
{
    // Shown, brought to the front and focused once: the load shows the
    // window before its first walk, during which the user may have put the
    // focus into a box or gone to another program.
    if (IsWindowVisible(window_)) return;
    ::ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
    SetFocus(picture1_->Handle());
}

void Form1::EndProgram()
{
    ::ShowWindow(window_, SW_HIDE);
    // Before the message loop has started, main sees the end and never
    // starts it; in a walk, the event pump leaves the request for the loop.
    PostQuitMessage(viewer_.Failed() ? 1 : 0);
}

void Form1::PaintLine1()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
    const HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, kLine1From.x, kLine1From.y, nullptr);
    LineTo(dc, kLine1To.x, kLine1To.y + 1);
    SelectObject(dc, previous);
    DeleteObject(pen);
    EndPaint(window_, &paint);
}

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        form->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return form->OnMessage(message, wParam, lParam);
}

LRESULT Form1::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
            const auto control = reinterpret_cast<HWND>(lParam);
            if (control == command1_) viewer_.ApplyTilesPerRow();
            if (control == command2_) viewer_.ApplyOffset();
            if (control == exportconvert_) viewer_.ExportConverted();
        }
        return 0;
    case WM_PAINT:
        PaintLine1();
        return 0;
    case WM_SETCURSOR:
        // The pen over the window's own surface; the controls keep theirs.
        if (reinterpret_cast<HWND>(wParam) == window_ && LOWORD(lParam) == HTCLIENT && penCursor_) {
            SetCursor(penCursor_);
            return TRUE;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(window_, focus)) focused_ = focus;
        } else if (picture1_) {
            SetFocus(focused_ ? focused_ : picture1_->Handle());
        }
        return 0;
    case WM_SYSCOLORCHANGE:
        if (picture1_) picture1_->ReadSystemColours();
        break;
    case WM_CLOSE:
        // Never refused, whatever asks: the close box, the system menu, the task list.
        viewer_.Close();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam) viewer_.Close();
        return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Form1::ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR form)
{
    auto* self = reinterpret_cast<Form1*>(form);
    switch (message) {
    case WM_KEYDOWN:
        // Tab and Shift+Tab move through the controls in tab order, also
        // while a walk lets events run.
        if (wParam == VK_TAB) {
            SetFocus(GetNextDlgTabItem(self->window_, control, GetKeyState(VK_SHIFT) < 0));
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\t') return 0;
        // Enter runs the command of the box's button; the key still reaches the box.
        if (wParam == L'\r') {
            if (control == self->tilestxt_) self->viewer_.ApplyTilesPerRow();
            if (control == self->offsettxt_) self->viewer_.ApplyOffset();
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(control, &Form1::ControlProc, id);
        break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}
