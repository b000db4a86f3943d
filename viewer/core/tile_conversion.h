// Rearrangement of tile bytes between the NES and the Game Boy layout. A tile
// is 16 bytes, 8 pixel rows of one low-plane and one high-plane byte each:
// the NES layout keeps all low-plane bytes first (row r at r and 8 + r), the
// Game Boy layout keeps each row's two bytes together (at 2r and 2r + 1).
#pragma once

#include <array>
#include <cstdint>
#include <span>

enum class TileConversion { NesToGb, GbToNes };

// For each output byte of a tile, the offset of its source byte in the tile.
constexpr std::array<std::uint8_t, 16> kNesToGbOrder{0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15};
constexpr std::array<std::uint8_t, 16> kGbToNesOrder{0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15};

// Writes source to output (same length, not overlapping) with every complete
// 16-byte group, counted from source's first byte, rearranged into the other
// layout; a trailing group of fewer than 16 bytes is copied unchanged. Bytes
// before the tiles, such as a file header, are cut into groups like the rest.
void ConvertTiles(std::span<const std::uint8_t> source, std::span<std::uint8_t> output, TileConversion conversion);

// The same rearrangement in place, a slice at a time through a small buffer,
// so that a whole file needs no second copy in memory.
void ConvertTilesInPlace(std::span<std::uint8_t> bytes, TileConversion conversion);
