// Rectangle rules and the window region of the selection frame.
#pragma once

#include <windows.h>

#include <cstdint>

#include "win32/unique_handle.h"

namespace zentap {

// value - offset, held within the 32-bit range: coordinates that another process wrote may lie at
// its ends.
std::int32_t SaturatingMinus(std::int32_t value, std::int32_t offset);

// Orders the corners: left <= right, top <= bottom.
void NormalizeRect(RECT& r);

// Clamps each field as it comes into the virtual screen, the union of all monitors (an x to its
// left and right edges, a y to its top and bottom edges), then orders the corners: the part of the
// area on the virtual screen, empty when none is. With one monitor the virtual screen is the
// primary screen.
void ClipToScreen(RECT& r);

// The tab plus a one-pixel ring just inside `body`'s lower part: the body below the tab rows, with
// the tab (tabWidth x tabHeight) on top of its left end, less the body's inside.
win32::unique_hrgn BuildFrameRegion(const RECT& body, int tabWidth, int tabHeight);

}  // namespace zentap
