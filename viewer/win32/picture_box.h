// Picture1 on Windows: a child window over a device-independent bitmap of
// 385 x 321 pixels, which keeps the picture when the window is covered and
// repainted. The system colours come from the desktop's scheme
// (GetSysColor) and are asked again when the scheme changes.
#pragma once

#include "drawing_surface.h"

#include <windows.h>

#include <cstdint>

class PictureBox final : public DrawingSurface {
public:
    static constexpr int kWidth = 385;
    static constexpr int kHeight = 321;

    // A child of parent whose drawing area (inside its sunken edge) lies at
    // (left, top) of the parent's client area.
    PictureBox(HINSTANCE instance, HWND parent, int left, int top);
    ~PictureBox() override;
    PictureBox(const PictureBox&) = delete;
    PictureBox& operator=(const PictureBox&) = delete;

    HWND Handle() const { return window_; }

    void PSet(float x, float y, Colour colour) override;
    Colour Point(float x, float y) override;
    void Cls() override;
    PixelGrid Pixels() override;
    void PixelsWritten() override { MarkDirty(); }

    // Takes the scheme's colours anew; what is drawn keeps its colours.
    void ReadSystemColours();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool Resolve(Colour colour, uint32_t& pixel) const;
    void MarkDirty();

    HWND window_ = nullptr;
    HDC memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    // Rows of the bitmap from the top, 0x00RRGGBB per pixel.
    uint32_t* pixels_ = nullptr;
    Colour background_ = 0;
    Colour buttonFace_ = 0;
    Colour workspace_ = 0;
    // Rows are drawn far faster than a screen shows them, so a repaint waits
    // for a one-frame timer instead of following every pixel.
    bool dirty_ = false;
};
