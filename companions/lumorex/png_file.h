// Saves a picture as a PNG file with the platform's imaging codecs.
#pragma once

#include <windows.h>

#include <string>

namespace lumorex {

// Writes the bitmap, which no device context may have selected, as a 24-bit PNG; false when the
// file could not be written.
bool SavePng(HBITMAP bitmap, const std::string& path);

}  // namespace lumorex
