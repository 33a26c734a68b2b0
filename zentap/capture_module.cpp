#include "capture_module.h"

#include "capture_locks.h"
#include "capture_memory.h"
#include "capture_session.h"
#include "caption_font.h"
#include "shared_state.h"

namespace zentap {

HINSTANCE g_hInstance = nullptr;
win32::unique_hbitmap g_screenBitmap;

BOOL InitInstance(HINSTANCE instance) {
    g_hInstance = instance;
    // Processes load and unload the module concurrently.
    InterlockedIncrement(&g_sharedState.processCount);
    return TRUE;
}

int ExitInstance(bool processEnding) {
    EndCaptureAtUnload(processEnding);
    InterlockedDecrement(&g_sharedState.processCount);
    g_screenBitmap.reset();
    ReleaseCaptureMemory();
    ReleaseCaptureLocks();
    g_font.reset();
    return 0;
}

}  // namespace zentap
