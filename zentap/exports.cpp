// The module's five exports. No C++ exception leaves them: a start that runs out of memory is
// refused, and nothing else here allocates.
#include <windows.h>

#include <new>
#include <type_traits>

#include "capture_session.h"
#include "exports.h"
#include "status_texts.h"

extern "C" {

const char* WINAPI hook_screen_shot(HWND notifyWnd, UINT doneMsg, UINT cancelMsg, const char* useType) {
    try {
        return zentap::HookScreenShot(notifyWnd, doneMsg, cancelMsg, useType);
    } catch (const std::bad_alloc&) {
        zentap::UnhookScreenShot();
        return zentap::kOutOfMemory;
    }
}

const char* __cdecl unhook_screen_shot() { return zentap::UnhookScreenShot(); }

HBITMAP __cdecl GetCurrentScreenBMP() { return zentap::GetCurrentScreenBitmap(); }

int __cdecl TestXXX() { return zentap::TestXxx(); }

int WINAPI TestDraw(HDC dc) { return zentap::TestDraw(dc); }

}  // extern "C"

// Hosts declare the exports from exports.h: the definitions must agree with them.
static_assert(std::is_same_v<decltype(&hook_screen_shot), zentap::HookScreenShotFunction>, "hook_screen_shot");
static_assert(std::is_same_v<decltype(&unhook_screen_shot), zentap::UnhookScreenShotFunction>, "unhook_screen_shot");
static_assert(std::is_same_v<decltype(&GetCurrentScreenBMP), zentap::GetCurrentScreenBmpFunction>, "GetCurrentScreenBMP");
static_assert(std::is_same_v<decltype(&TestXXX), zentap::TestXxxFunction>, "TestXXX");
static_assert(std::is_same_v<decltype(&TestDraw), zentap::TestDrawFunction>, "TestDraw");
