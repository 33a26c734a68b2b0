#include <windows.h>

#include "com/object_map.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        dravik::g_module.Start(instance, dravik::g_objectMap);
        break;
    case DLL_PROCESS_DETACH:
        dravik::g_module.Stop();
        break;
    default:
        break;
    }
    return TRUE;
}
