// The module's start and exit in each process that loads it, and the per-process state that
// lives as long as the module.
#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

namespace zentap {

extern HINSTANCE g_hInstance;

// The picture of the last finished capture; the module keeps it until the next capture ends or
// the module unloads.
extern win32::unique_hbitmap g_screenBitmap;

// Process attach: remembers the instance and counts the process in the shared section.
BOOL InitInstance(HINSTANCE instance);

// Process detach: ends a capture of this process that is still running, uncounts the process and
// gives back the picture, the shared blocks and named objects, and the caption font.
int ExitInstance(bool processEnding);

}  // namespace zentap
