#include "picture_box.h"

#include "dib_section.h"
#include "system_shades.h"

#include <algorithm>

namespace {

constexpr wchar_t kClassName[] = L"tilebridge.Picture1";
constexpr UINT_PTR kRepaintTimer = 1;
constexpr UINT kFrameMilliseconds = 16;

// 0x00BBGGRR to the bitmap's 0x00RRGGBB, and back.
uint32_t PixelOf(Colour colour) { return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF); }
Colour ColourOf(uint32_t pixel) { return PixelOf(pixel); }

bool Inside(float x, float y)
{
    return x >= 0 && y >= 0 && x < PictureBox::kWidth && y < PictureBox::kHeight;
}

void RegisterClassOnce(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSEXW windowClass{};
    if (GetClassInfoExW(instance, kClassName, &windowClass)) return;
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
}

}  // namespace

PictureBox::PictureBox(HINSTANCE instance, HWND parent, int left, int top)
{
    ReadSystemColours();
    bitmap_ = CreateTopDownDib(kWidth, kHeight, pixels_);
    if (!bitmap_) return;
    memory_ = CreateCompatibleDC(nullptr);
    previousBitmap_ = SelectObject(memory_, bitmap_);
    Cls();
    dirty_ = false;

    RegisterClassOnce(instance, &PictureBox::WindowProc);
    constexpr DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    constexpr DWORD exStyle = WS_EX_CLIENTEDGE;
    RECT frame{left, top, left + kWidth, top + kHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    window_ = CreateWindowExW(exStyle, kClassName, L"", style, frame.left, frame.top, frame.right - frame.left,
                              frame.bottom - frame.top, parent, nullptr, instance, this);
}

PictureBox::~PictureBox()
{
    if (window_) DestroyWindow(window_);
    if (memory_) {
        SelectObject(memory_, previousBitmap_);
        DeleteDC(memory_);
    }
    if (bitmap_) DeleteObject(bitmap_);
}

void PictureBox::ReadSystemColours()
{
    const Colour background = GetSysColor(COLOR_HIGHLIGHTTEXT);
    const Colour buttonFace = GetSysColor(COLOR_BTNFACE);
    const Colour workspace = GetSysColor(COLOR_APPWORKSPACE);
    const bool apart = SchemeKeepsPixelValuesApart(background, buttonFace, workspace);
    background_ = apart ? background : QBColor(15);
    buttonFace_ = apart ? buttonFace : kClassicButtonFace;
    workspace_ = apart ? workspace : kClassicWorkspace;
}

bool PictureBox::Resolve(Colour colour, uint32_t& pixel) const
{
    switch (colour) {
    case kHighlightTextColour: pixel = PixelOf(background_); return true;
    case kButtonFaceColour: pixel = PixelOf(buttonFace_); return true;
    case kAppWorkspaceColour: pixel = PixelOf(workspace_); return true;
    default:
        // Other system colours have no use here; like an invalid value, they draw nothing.
        if (IsSystemColour(colour) || colour == kNoColour) return false;
        pixel = PixelOf(colour);
        return true;
    }
}

void PictureBox::PSet(float x, float y, Colour colour)
{
    uint32_t pixel = 0;
    if (!pixels_ || !Inside(x, y) || !Resolve(colour, pixel)) return;
    pixels_[static_cast<int>(y) * kWidth + static_cast<int>(x)] = pixel;
    MarkDirty();
}

Colour PictureBox::Point(float x, float y)
{
    if (!pixels_ || !Inside(x, y)) return kNoColour;
    return ColourOf(pixels_[static_cast<int>(y) * kWidth + static_cast<int>(x)]);
}

PixelGrid PictureBox::Pixels()
{
    if (!pixels_) return {};
    return {pixels_, kWidth, kWidth, kHeight, PixelOf(QBColor(0)), PixelOf(buttonFace_), PixelOf(workspace_)};
}

void PictureBox::Cls()
{
    if (!pixels_) return;
    std::fill_n(pixels_, kWidth * kHeight, PixelOf(background_));
    MarkDirty();
}

void PictureBox::MarkDirty()
{
    if (dirty_ || !window_) return;
    dirty_ = true;
    SetTimer(window_, kRepaintTimer, kFrameMilliseconds, nullptr);
}

LRESULT CALLBACK PictureBox::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<PictureBox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        BitBlt(dc, 0, 0, kWidth, kHeight, self->memory_, 0, 0, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
        if (wParam != kRepaintTimer) break;
        KillTimer(window, kRepaintTimer);
        self->dirty_ = false;
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the bitmap covers every pixel
    case WM_LBUTTONDOWN:
        SetFocus(window);
        return 0;
    case WM_DESTROY:
        KillTimer(window, kRepaintTimer);
        self->window_ = nullptr;
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
