// The picture the pattern window shows: every screen pixel has its own colour, and none of them is
// the frame's red or the caption's white (blue stays between 0x80 and 0x9F).
#pragma once

#include <windows.h>

namespace test_support {

inline COLORREF PatternColour(int x, int y) {
    return RGB(x & 0xFF, y & 0xFF, 0x80 | ((x >> 8) & 0x3) << 3 | ((y >> 8) & 0x7));
}

}  // namespace test_support
