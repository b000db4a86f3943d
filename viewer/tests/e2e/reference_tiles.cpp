#include "reference_tiles.h"

#include <QColor>

#include <array>
#include <cstdlib>
#include <optional>

namespace fs = std::filesystem;

namespace e2e {

ReferenceTiles::ReferenceTiles(const fs::path& png, int tileCount) : count_(tileCount)
{
    picture_.load(QString::fromStdString(png.string()));
    picture_ = picture_.convertToFormat(QImage::Format_Grayscale8);
}

ReferenceTiles ReferenceTiles::Of(const fs::path& file)
{
    return ReferenceTiles(file.parent_path().parent_path() / "expected" / (file.filename().string() + ".png"),
                          static_cast<int>(fs::file_size(file) / 16));
}

int ReferenceTiles::ValueAt(int x, int y, int perRow, int first) const
{
    if (x == 0) return 0;
    const int column = (x - 1) / 8;
    if (column >= perRow) return 0;
    const long tile = first + static_cast<long>(y / 8) * perRow + column;
    if (tile >= count_) return 0;
    const int px = static_cast<int>(tile % 16) * 8 + (x - 1) % 8;
    const int py = static_cast<int>(tile / 16) * 8 + y % 8;
    static constexpr std::array<int, 4> kGreys = {255, 170, 85, 0};
    const int grey = qGray(picture_.pixel(px, py));
    for (int value = 0; value < 4; ++value)
        if (std::abs(grey - kGreys[value]) < 20) return value;
    return -1;
}

long Mismatches(const QImage& area, const ReferenceTiles& tiles, int perRow, int first, std::string& report)
{
    std::array<std::optional<QRgb>, 4> shades;
    shades[0] = area.pixel(0, 0);
    shades[3] = qRgb(0, 0, 0);
    long wrong = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            const int value = tiles.ValueAt(x, y, perRow, first);
            const QRgb seen = area.pixel(x, y) & 0xFFFFFF;
            if (value < 0) return -1;
            if (!shades[value]) {
                bool taken = false;
                for (const auto& shade : shades) taken = taken || (shade && (*shade & 0xFFFFFF) == seen);
                if (taken) {
                    ++wrong;
                    continue;
                }
                shades[value] = seen;
            }
            if ((*shades[value] & 0xFFFFFF) != seen) {
                if (wrong == 0)
                    report = "first difference at (" + std::to_string(x) + "," + std::to_string(y) + "): value " +
                             std::to_string(value) + ", colour " + QColor(seen).name().toStdString();
                ++wrong;
            }
        }
    }
    return wrong;
}

}  // namespace e2e
