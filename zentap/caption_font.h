// The font of the frame's caption, one per process.
#pragma once

#include "win32/unique_handle.h"

namespace zentap {

// The Korean system font's name in code page 949 (Gulim).
constexpr char kCaptionFaceName[] = "\xB1\xBC\xB8\xB2";

// Made when a frame window is created, deleted when it is destroyed or the module unloads.
extern win32::unique_hfont g_font;

win32::unique_hfont CreateCaptionFont();

}  // namespace zentap
