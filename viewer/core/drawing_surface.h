// The drawing surface that tile rows are drawn on, in whole pixels with
// (0, 0) at its top left corner, and the colour values it takes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// 0x00BBGGRR, or kSystemColour plus a system colour index, which the surface
// turns into the desktop scheme's colour when it draws.
using Colour = uint32_t;

inline constexpr Colour kSystemColour = 0x80000000;
// What Point reports for a point outside the surface (-1 as a signed value).
inline constexpr Colour kNoColour = 0xFFFFFFFF;
// System colour 14, highlighted text: the surface's background.
inline constexpr Colour kHighlightTextColour = kSystemColour + 14;
// System colour 15, the face of push buttons: pixel value 1.
inline constexpr Colour kButtonFaceColour = kSystemColour + 15;
// System colour 12, the application workspace: pixel value 2.
inline constexpr Colour kAppWorkspaceColour = kSystemColour + 12;

inline constexpr bool IsSystemColour(Colour colour) { return (colour & kSystemColour) != 0 && colour != kNoColour; }

// The runtime's sixteen-colour table, as 0x00BBGGRR.
inline constexpr std::array<Colour, 16> kQBColors{
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// Colour number 0 to 15 of the sixteen-colour table.
constexpr Colour QBColor(int number) { return kQBColors.at(static_cast<size_t>(number)); }

// A surface's pixels where they lie in memory: 32 bits each, 0x00RRGGBB in
// the low 24 bits (the top byte is not part of the colour), rows from the top.
// The values to store for the three colours that tile rows are drawn in are
// resolved already, so that drawing a row costs no call per pixel.
struct PixelGrid {
    uint32_t* pixels = nullptr;  // null when the surface offers no such grid
    std::ptrdiff_t stride = 0;   // pixels from one row to the next
    int width = 0;
    int height = 0;
    uint32_t black = 0;          // stored for QBColor(0)
    uint32_t buttonFace = 0;     // stored for kButtonFaceColour
    uint32_t workspace = 0;      // stored for kAppWorkspaceColour
};

// The colour, as 0x00BBGGRR, of a pixel stored in a PixelGrid.
constexpr Colour ColourOfGridPixel(uint32_t pixel)
{
    return (pixel & 0xFF) << 16 | (pixel & 0xFF00) | (pixel >> 16 & 0xFF);
}

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // Sets the pixel at (x, y); a point outside the surface is ignored.
    virtual void PSet(float x, float y, Colour colour) = 0;
    // The pixel's colour as 0x00BBGGRR at this moment; kNoColour outside.
    virtual Colour Point(float x, float y) = 0;
    // Fills the surface with its background colour.
    virtual void Cls() = 0;

    // The pixels to read and write in place of Point and PSet, valid until
    // the surface's next call; pixels == nullptr when every pixel must go
    // through Point and PSet.
    virtual PixelGrid Pixels() { return {}; }
    // To be called after pixels of the grid were written, as PSet would
    // have been: the surface shows them in due course.
    virtual void PixelsWritten() {}
};
