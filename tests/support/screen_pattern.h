// The picture the pattern window shows: every pixel of the virtual screen has its own colour (x and
// y count modulo 2048, so a monitor at negative x differs from the primary), and none of them is the
// frame's red or the caption's white (blue stays between 0x80 and 0xBF).
#pragma once

#include <windows.h>

namespace test_support {

inline COLORREF PatternColour(int x, int y) {
    return RGB(x & 0xFF, y & 0xFF, 0x80 | ((x >> 8) & 0x7) << 3 | ((y >> 8) & 0x7));
}

}  // namespace test_support
