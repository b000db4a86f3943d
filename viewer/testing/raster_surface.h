// An in-memory drawing surface for tests: a plain grid of colours with a
// chosen background and the classic values for the system colours.
#pragma once

#include "drawing_surface.h"

#include <cstdint>
#include <vector>

class RasterSurface : public DrawingSurface {
public:
    static constexpr Colour kClassicButtonFace = 0xC0C0C0;
    static constexpr Colour kClassicAppWorkspace = 0x808080;

    RasterSurface(int width, int height, Colour background = QBColor(15))
        : width_(width), height_(height), background_(background),
          pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), background)
    {
    }

    void PSet(float x, float y, Colour colour) override
    {
        if (Inside(x, y)) pixels_[Index(x, y)] = Resolve(colour);
    }

    Colour Point(float x, float y) override { return Inside(x, y) ? pixels_[Index(x, y)] : kNoColour; }

    void Cls() override { pixels_.assign(pixels_.size(), background_); }

    int Width() const { return width_; }
    int Height() const { return height_; }
    Colour At(int x, int y) const { return pixels_[Index(static_cast<float>(x), static_cast<float>(y))]; }

    // The pixel value 0 to 3 that a colour on a white background stands for;
    // -1 for any other colour.
    int PixelValue(int x, int y) const
    {
        switch (At(x, y)) {
        case 0xFFFFFF: return 0;
        case kClassicButtonFace: return 1;
        case kClassicAppWorkspace: return 2;
        case 0x000000: return 3;
        default: return -1;
        }
    }

private:
    bool Inside(float x, float y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    size_t Index(float x, float y) const
    {
        return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
    }
    Colour Resolve(Colour colour) const
    {
        switch (colour) {
        case kHighlightTextColour: return QBColor(15);
        case kButtonFaceColour: return kClassicButtonFace;
        case kAppWorkspaceColour: return kClassicAppWorkspace;
        default: return colour;
        }
    }

    int width_;
    int height_;
    Colour background_;
    std::vector<Colour> pixels_;
};
