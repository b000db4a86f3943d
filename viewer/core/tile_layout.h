// The tile layout of a file, taken from its name's extension only.
#pragma once

#include <string>
#include <string_view>

// "nes" for a path ending in ".nes", "gb" for ".gb" or ".gbc" (compared
// after lower-casing), empty for any other path.
std::string LayoutTagFromPath(std::string_view path);
