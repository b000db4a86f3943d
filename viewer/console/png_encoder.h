// A whole tile sheet as an indexed PNG with a palette of the four shades, so
// that a tool that reads indexed tiles takes the pixel values as they are.
#pragma once

#include "whole_sheet.h"

#include <cstdint>
#include <vector>

// The PNG file's bytes in png; false when the platform's encoder fails.
bool EncodePng(const WholeSheet& sheet, std::vector<uint8_t>& png);
