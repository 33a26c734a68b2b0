// What a host needs to run a capture: the module's file and export names, the exports' types with
// their calling conventions, and the text that means success. Hosts bind the exports by name at
// run time.
#pragma once

#include <windows.h>

#include "win32/proc_address.h"

namespace zentap {

constexpr char kModuleFileName[] = "Zentap.dll";
constexpr char kStatusOk[] = "ok";

// Any text but "ok" is a refusal: no capture was started.
using HookScreenShotFunction = const char*(WINAPI*)(HWND notifyWnd, UINT doneMsg, UINT cancelMsg,
                                                    const char* useType);
using UnhookScreenShotFunction = const char*(__cdecl*)();
// The bitmap stays the module's: valid until the next unhook_screen_shot or the module's unloading.
using GetCurrentScreenBmpFunction = HBITMAP(__cdecl*)();
using TestXxxFunction = int(__cdecl*)();
using TestDrawFunction = int(WINAPI*)(HDC dc);

struct Exports {
    HookScreenShotFunction hookScreenShot = nullptr;
    UnhookScreenShotFunction unhookScreenShot = nullptr;
    GetCurrentScreenBmpFunction getCurrentScreenBmp = nullptr;
    TestXxxFunction testXxx = nullptr;
    TestDrawFunction testDraw = nullptr;

    // Looks the five up by name; true when all were found.
    bool Bind(HMODULE module) {
        hookScreenShot = win32::proc_address<HookScreenShotFunction>(module, "hook_screen_shot");
        unhookScreenShot = win32::proc_address<UnhookScreenShotFunction>(module, "unhook_screen_shot");
        getCurrentScreenBmp = win32::proc_address<GetCurrentScreenBmpFunction>(module, "GetCurrentScreenBMP");
        testXxx = win32::proc_address<TestXxxFunction>(module, "TestXXX");
        testDraw = win32::proc_address<TestDrawFunction>(module, "TestDraw");
        return hookScreenShot && unhookScreenShot && getCurrentScreenBmp && testXxx && testDraw;
    }
};

}  // namespace zentap
