// A capture module planted where a load by bare name would find it before the real one: it starts
// no capture, and answers every start with a text of its own, so that a host that loaded it says so.
#include <windows.h>

extern "C" {

const char* WINAPI hook_screen_shot(HWND, UINT, UINT, const char*) { return "planted module"; }
const char* __cdecl unhook_screen_shot() { return "ok"; }
HBITMAP __cdecl GetCurrentScreenBMP() { return nullptr; }
int __cdecl TestXXX() { return 0; }
int WINAPI TestDraw(HDC) { return 0; }

}  // extern "C"
