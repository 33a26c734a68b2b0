// The instance handle of the module that holds the calling code: the DLL when linked into one,
// the program when a test links the same code directly.
#pragma once

#include <windows.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace win32 {
inline HINSTANCE this_module() noexcept { return reinterpret_cast<HINSTANCE>(&__ImageBase); }
}  // namespace win32
