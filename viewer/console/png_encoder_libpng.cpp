#include "png_encoder.h"

#include <png.h>

#include <array>
#include <new>

namespace {

struct PngOutput {
    std::vector<uint8_t>& bytes;
    bool outOfMemory = false;
};

// No exception may cross libpng's C frames: a failed append is remembered and
// the rest of the file dropped.
void Append(png_structp png, png_bytep data, size_t size)
{
    auto& output = *static_cast<PngOutput*>(png_get_io_ptr(png));
    if (output.outOfMemory) return;
    try {
        output.bytes.insert(output.bytes.end(), data, data + size);
    } catch (const std::bad_alloc&) {
        output.outOfMemory = true;
    }
}

void Flush(png_structp) {}

// libpng reports its errors by a long jump back here, so this frame holds no
// object with a destructor.
bool Write(png_structp png, png_infop info, const WholeSheet& sheet, const png_color* palette, PngOutput* output)
{
    if (setjmp(png_jmpbuf(png))) return false;
    // A sheet may be taller than the million rows that libpng allows by default.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_write_fn(png, output, Append, Flush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(sheet.width), static_cast<png_uint_32>(sheet.height), 2,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, palette, 4);
    png_write_info(png, info);
    // One pixel value to a byte in, four to a byte in the file.
    png_set_packing(png);
    for (int64_t y = 0; y < sheet.height; ++y)
        png_write_row(png, sheet.values.data() + static_cast<size_t>(y * sheet.width));
    png_write_end(png, info);
    return true;
}

}  // namespace

bool EncodePng(const WholeSheet& sheet, std::vector<uint8_t>& png)
{
    if (sheet.width > PNG_UINT_31_MAX || sheet.height > PNG_UINT_31_MAX) return false;
    std::array<png_color, 4> palette{};
    for (size_t value = 0; value < palette.size(); ++value) {
        const Colour shade = kSheetShades[value];
        palette[value] = {static_cast<png_byte>(shade), static_cast<png_byte>(shade >> 8),
                          static_cast<png_byte>(shade >> 16)};
    }
    png.clear();
    PngOutput output{png};
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = writer ? png_create_info_struct(writer) : nullptr;
    const bool written = info && Write(writer, info, sheet, palette.data(), &output);
    png_destroy_write_struct(&writer, &info);
    return written && !output.outOfMemory;
}
