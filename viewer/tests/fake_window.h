// What the core's and the real-data tests share: a window for the viewer's
// handlers without Qt, and file images whose bytes name their positions.
#pragma once

#include "raster_surface.h"
#include "viewer.h"

#include <functional>
#include <numeric>
#include <vector>

class FakeWindow : public ViewerWindow {
public:
    explicit FakeWindow(int width = 385, int height = 321) : surface(width, height) {}

    RasterSurface surface;
    std::u16string tilesText = u"48";
    std::u16string offsetText;
    bool shown = false;
    int ends = 0;
    // Runs when the window is shown, between the file's opening and its reading.
    std::function<void()> onShow;

    DrawingSurface& Picture1() override { return surface; }
    std::u16string TilesText() const override { return tilesText; }
    void SetTilesText(const std::u16string& text) override { tilesText = text; }
    std::u16string OffsetText() const override { return offsetText; }
    void ShowWindow() override
    {
        shown = true;
        if (onShow) onShow();
    }
    void EndProgram() override { ++ends; }
};

// An image whose byte at position p is p (mod 256), so a row's bytes name
// the positions it was made of.
inline std::vector<uint8_t> PositionBytes(size_t length)
{
    std::vector<uint8_t> bytes(length);
    std::iota(bytes.begin(), bytes.end(), uint8_t{1});
    return bytes;
}
