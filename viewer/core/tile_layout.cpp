#include "tile_layout.h"

#include <algorithm>

namespace {

bool EndsWithLowerCased(std::string_view path, std::string_view suffix)
{
    if (path.size() < suffix.size()) return false;
    return std::equal(suffix.begin(), suffix.end(), path.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char wanted, char c) { return wanted == ((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c); });
}

}  // namespace

std::string LayoutTagFromPath(std::string_view path)
{
    if (EndsWithLowerCased(path, ".nes")) return "nes";
    if (EndsWithLowerCased(path, ".gb") || EndsWithLowerCased(path, ".gbc")) return "gb";
    return {};
}
