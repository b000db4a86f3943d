// A device-independent bitmap of 32-bit pixels (0x00RRGGBB) whose rows run
// from the top, as the surfaces of this program address them.
#pragma once

#include <windows.h>

#include <cstdint>

// The bitmap, with bits pointing at its first row; nullptr (and no bits)
// when the system has no room for it.
inline HBITMAP CreateTopDownDib(int width, int height, uint32_t*& bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* first = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &first, nullptr, 0);
    if (bitmap && !first) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    bits = bitmap ? static_cast<uint32_t*>(first) : nullptr;
    return bitmap;
}
