// The shared reference pictures of the tile files, and the comparison of a
// screenshot of the drawing area with the sheet they give.
#pragma once

#include <QImage>

#include <filesystem>
#include <string>

namespace e2e {

// The tiles of a reference picture: 16 tiles to a row, four greys.
class ReferenceTiles {
public:
    ReferenceTiles(const std::filesystem::path& png, int tileCount);
    // The picture given for a shared tile file whose tiles start at its first byte.
    static ReferenceTiles Of(const std::filesystem::path& file);
    bool ok() const { return !picture_.isNull(); }

    // The pixel value (0-3) at (x, y) of a sheet with `perRow` tiles to a
    // band, starting at tile `first`; cells without a tile are 0.
    int ValueAt(int x, int y, int perRow, int first) const;

private:
    QImage picture_;
    int count_;
};

// Counts the pixels of a screenshot of the drawing area that don't show the
// expected value's shade. The shades are read off the screen: the
// background at the never-drawn column 0, black, and the two system colours
// as first seen; all four must differ. -1 when the reference has a pixel
// that is none of its four greys; report tells the first difference.
long Mismatches(const QImage& area, const ReferenceTiles& tiles, int perRow, int first, std::string& report);

}  // namespace e2e
