#include <windows.h>

#include "com/instance.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        dravik::InitInstance(instance);
        break;
    case DLL_PROCESS_DETACH:
        // A reserved pointer: the process is ending, not the module alone being unloaded.
        dravik::ExitInstance(reserved != nullptr);
        break;
    default:
        break;
    }
    return TRUE;
}
