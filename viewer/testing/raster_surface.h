// An in-memory drawing surface for tests: a white grid of colours that takes
// every pixel through PSet and Point, with the classic values for the two
// system colours that tile rows are drawn in.
#pragma once

#include "system_shades.h"

#include <vector>

class RasterSurface : public DrawingSurface {
public:
    RasterSurface(int width, int height)
        : width_(width), height_(height), pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), kWhite)
    {
    }

    void PSet(float x, float y, Colour colour) override
    {
        if (!Inside(x, y)) return;
        pixels_[Index(x, y)] = colour == kButtonFaceColour     ? kClassicButtonFace
                               : colour == kAppWorkspaceColour ? kClassicWorkspace
                                                               : colour;
    }
    Colour Point(float x, float y) override { return Inside(x, y) ? pixels_[Index(x, y)] : kNoColour; }
    void Cls() override { pixels_.assign(pixels_.size(), kWhite); }

private:
    static constexpr Colour kWhite = QBColor(15);

    bool Inside(float x, float y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    size_t Index(float x, float y) const
    {
        return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
    }

    int width_;
    int height_;
    std::vector<Colour> pixels_;
};
