#include <windows.h>

#include "capture_module.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        return zentap::InitInstance(instance);
    case DLL_PROCESS_DETACH:
        zentap::ExitInstance();
        break;
    default:
        break;
    }
    return TRUE;
}
