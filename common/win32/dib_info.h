// The description of a device-independent bitmap stored top-down (first row first) without
// compression, for CreateDIBSection, GetDIBits and their kin.
#pragma once

#include <windows.h>

namespace win32 {

inline BITMAPINFO top_down_dib_info(LONG width, LONG height, WORD bitsPerPixel = 32) noexcept {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace win32
