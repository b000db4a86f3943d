#include "pen_cursor.h"

#include "dib_section.h"
#include "drawing_surface.h"

#include <array>
#include <cstdint>

namespace {

constexpr int kSize = 32;
constexpr int kHotSpot = 5;
// Drawn where the cursor is transparent; no colour of the design.
constexpr COLORREF kTransparent = RGB(255, 0, 255);

struct GdiObject {
    explicit GdiObject(HGDIOBJ object) : handle(object) {}
    ~GdiObject() { DeleteObject(handle); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ handle;
};

template <size_t N>
void Shape(HDC dc, const std::array<POINT, N>& corners, Colour outline, Colour fill)
{
    const GdiObject pen(CreatePen(PS_SOLID, 1, outline));
    const GdiObject brush(CreateSolidBrush(fill));
    SelectObject(dc, pen.handle);
    SelectObject(dc, brush.handle);
    Polygon(dc, corners.data(), static_cast<int>(N));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
}

// A line that includes both of its end points.
void Line(HDC dc, POINT from, POINT to, Colour colour)
{
    const GdiObject pen(CreatePen(PS_SOLID, 1, colour));
    SelectObject(dc, pen.handle);
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
    SetPixel(dc, to.x, to.y, colour);
    SelectObject(dc, GetStockObject(BLACK_PEN));
}

void DrawPen(HDC dc)
{
    const Colour black = QBColor(0);
    const Colour grey = QBColor(8);
    const Colour lightGrey = QBColor(7);
    const Colour white = QBColor(15);
    // The barrel along the diagonal, from behind the point to the pen's end,
    // light on its upper side and dark on its lower side.
    Shape(dc, std::array<POINT, 4>{{{12, 8}, {28, 24}, {24, 28}, {8, 12}}}, black, lightGrey);
    Line(dc, {12, 10}, {26, 24}, white);
    Line(dc, {10, 12}, {24, 26}, grey);
    // The sharpened point, bare wood in white, and the black tip.
    Shape(dc, std::array<POINT, 3>{{{kHotSpot, kHotSpot}, {12, 8}, {8, 12}}}, black, white);
    Shape(dc, std::array<POINT, 3>{{{kHotSpot, kHotSpot}, {7, 6}, {6, 7}}}, black, black);
}

}  // namespace

HCURSOR CreatePenCursor()
{
    uint32_t* pixels = nullptr;
    const GdiObject colour(CreateTopDownDib(kSize, kSize, pixels));
    if (!colour.handle) return nullptr;

    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, colour.handle);
    const GdiObject background(CreateSolidBrush(kTransparent));
    const RECT all{0, 0, kSize, kSize};
    FillRect(dc, &all, static_cast<HBRUSH>(background.handle));
    DrawPen(dc);
    GdiFlush();
    SelectObject(dc, previous);
    DeleteDC(dc);

    // The AND mask keeps the screen where the design is transparent; the
    // colour image must be black there.
    constexpr uint32_t transparent = 0xFF00FF;
    std::array<uint8_t, kSize * kSize / 8> mask{};
    for (int i = 0; i < kSize * kSize; ++i) {
        if ((pixels[i] & 0xFFFFFF) != transparent) continue;
        pixels[i] = 0;
        mask[static_cast<size_t>(i / 8)] |= static_cast<uint8_t>(0x80 >> (i % 8));
    }
    const GdiObject maskBitmap(CreateBitmap(kSize, kSize, 1, 1, mask.data()));
    ICONINFO icon{FALSE, kHotSpot, kHotSpot, static_cast<HBITMAP>(maskBitmap.handle),
                  static_cast<HBITMAP>(colour.handle)};
    return CreateIconIndirect(&icon);
}
