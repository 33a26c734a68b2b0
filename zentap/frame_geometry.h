// Rectangle rules and the window region of the selection frame.
#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

namespace zentap {

// Orders the corners: left <= right, top <= bottom.
void NormalizeRect(RECT& r);

// Clamps each field as it comes to the primary screen (a negative left or top to 0, a right or
// bottom past the screen to its width or height), then orders the corners.
void ClipToScreen(RECT& r);

// The tab plus a one-pixel ring just inside `body`'s lower part: the body below the tab rows, with
// the tab (tabWidth x tabHeight) on top of its left end, less the body's inside.
win32::unique_hrgn BuildFrameRegion(const RECT& body, int tabWidth, int tabHeight);

}  // namespace zentap
