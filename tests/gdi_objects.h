// Counting what a process holds, for the leak tests.
#pragma once

#include <windows.h>

namespace test_support {

// The GDI objects the process holds. Wine does not count them for GetGuiResources (it fails with
// ERROR_CALL_NOT_IMPLEMENTED); there every slot of the handle table is asked instead, since Wine
// answers GetObjectType for a slot's index alone.
inline DWORD LiveGdiObjects() {
    SetLastError(0);
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return counted;
    DWORD live = 0;
    for (ULONG_PTR slot = 1; slot < 0x10000; ++slot) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0) ++live;
    }
    return live;
}

}  // namespace test_support
