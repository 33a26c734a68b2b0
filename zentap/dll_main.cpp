#include <windows.h>

#include "capture_module.h"
#include "capture_session.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return zentap::InitInstance(instance);
    case DLL_THREAD_DETACH:
        // A host thread that ends in the middle of its capture takes the capture with it.
        zentap::EndCaptureOfEndingThread();
        break;
    case DLL_PROCESS_DETACH:
        // A reserved pointer: the process is ending, not the module alone being unloaded.
        zentap::ExitInstance(reserved != nullptr);
        break;
    default:
        break;
    }
    return TRUE;
}
