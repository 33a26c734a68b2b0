#include <windows.h>

#include "capture_module.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        return zentap::InitInstance(instance);
    case DLL_PROCESS_DETACH:
        // A reserved pointer: the process is ending, not the module alone being unloaded.
        zentap::ExitInstance(reserved != nullptr);
        break;
    default:
        break;
    }
    return TRUE;
}
