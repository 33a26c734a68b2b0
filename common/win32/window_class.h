// A window class of the program's own module, registered by name.
#pragma once

#include <windows.h>

namespace win32 {

// Registers the class with an arrow cursor and the background brush; true when the class is
// there afterwards (registered now or earlier).
inline bool register_window_class(const char* name, WNDPROC procedure, HBRUSH background) noexcept {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    return ::RegisterClassA(&windowClass) || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace win32
