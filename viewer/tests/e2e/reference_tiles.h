// The comparison of a screenshot of the drawing area with the sheet that a
// shared tile file's reference picture gives.
#pragma once

#include <QImage>

#include <filesystem>
#include <string>

namespace e2e {

// Counts the pixels of the screenshot that don't show the shade of the
// value that the sheet has there: `perRow` tiles to a band from tile
// `first`, taken from the file's expected/*.png (16 tiles to a row, four
// greys), with the never-drawn column 0 and cells without a tile at 0. The
// shades are read off the screen: the background at column 0, black, and
// the two system colours as first seen; all four must differ. -1 when the
// reference picture of a tile in view is missing or has a grey of its own; report tells the
// first difference.
long Mismatches(const QImage& area, const std::filesystem::path& file, int perRow, int first, std::string& report);

}  // namespace e2e
