#include "reference_tiles.h"

#include <QColor>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

namespace fs = std::filesystem;

namespace e2e {

long Mismatches(const QImage& area, const fs::path& file, int perRow, int first, std::string& report)
{
    const QImage picture(
        QString::fromStdString((file.parent_path().parent_path() / "expected" / file.filename()).string() + ".png"));
    const auto count = static_cast<long>(fs::file_size(file) / 16);
    if (picture.isNull() && first < count) return -1;
    constexpr QRgb kColour = 0xFFFFFF;
    std::array<std::optional<QRgb>, 4> shades = {area.pixel(0, 0) & kColour, std::nullopt, std::nullopt, 0u};
    long wrong = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            const int column = (x - 1) / 8;
            const long tile = first + static_cast<long>(y / 8) * perRow + column;
            int value = 0;
            if (x > 0 && column < perRow && tile < count) {
                const int grey = qGray(picture.pixel(static_cast<int>(tile % 16) * 8 + (x - 1) % 8,
                                                     static_cast<int>(tile / 16) * 8 + y % 8));
                value = (255 - grey + 42) / 85;  // of 255, 170, 85 and 0
                if (std::abs(255 - 85 * value - grey) >= 20) return -1;
            }
            const QRgb seen = area.pixel(x, y) & kColour;
            // A system colour is learnt where it is first drawn, unless another value shows that shade already.
            if (!shades[value] && std::find(shades.begin(), shades.end(), seen) == shades.end()) shades[value] = seen;
            if (shades[value] != seen && wrong++ == 0)
                report = "first difference at (" + std::to_string(x) + "," + std::to_string(y) + "): value " +
                         std::to_string(value) + ", colour " + QColor(seen).name().toStdString();
        }
    }
    return wrong;
}

}  // namespace e2e
