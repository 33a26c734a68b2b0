// An export of a loaded module as a typed function pointer; null when the module or the name is
// missing.
#pragma once

#include <windows.h>

namespace win32 {

template <typename Function>
Function proc_address(HMODULE module, const char* name) noexcept {
    if (!module) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace win32
