// The X display that Wine draws on, as tests use it: programs told that no window manager runs,
// and the real pointer and keyboard driven with xdotool. Nothing of this works outside Wine.
#pragma once

#include <windows.h>

#include <string>

#include "samples/files.h"
#include "win32/unique_handle.h"

namespace test_support {

inline bool UnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

// Wine on an X server without a window manager: a window that was ever active counts as managed,
// and every hide of it then waits two seconds for the manager's answer that never comes. Told
// before its first window appears, the program's windows are left to Wine alone.
inline void SetManagedByWindowManager(const std::string& program, bool managed) {
    const std::string key = "Software\\Wine\\AppDefaults\\" + program + "\\X11 Driver";
    win32::unique_hkey handle;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, handle.put(), nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(handle.get(), "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(managed ? "Y" : "N"), 2);
}

// Runs xdotool with the arguments on the display to its end; true when it ran and succeeded.
// Wine starts a program of the Unix side when given its Unix path but cannot wait for it, so the
// command runs under the Unix shell, which leaves xdotool's exit status in a file (Z: is the Unix
// root). With `dispatch`, this thread's messages are handled meanwhile, so that its windows keep
// answering.
inline bool XDoTool(const std::string& arguments, bool dispatch = false, DWORD timeoutMs = 30000) {
    static int runs = 0;
    // Process ids are Wine's own, one series per wineserver: the display tells the test sessions
    // that run side by side (one per target) apart.
    char display[64] = {};
    GetEnvironmentVariableA("DISPLAY", display, sizeof(display));
    std::string session(display);
    for (char& c : session)
        if (c == ':' || c == '.') c = '_';
    const std::string mark = "/tmp/lumorex_xdotool" + session + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                             std::to_string(++runs);
    std::string command =
        "/bin/sh -c \"xdotool " + arguments + "; echo $? >" + mark + ".part && mv " + mark + ".part " + mark + "\"";
    std::string windowsMark = "Z:" + mark;
    for (char& c : windowsMark)
        if (c == '/') c = '\\';
    DeleteFileA(windowsMark.c_str());  // left by an earlier run whose process had this id
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // Wine starts a Unix program without process or thread handles, and leaves junk where they would
    // be: closed, the junk could name any handle of this process.
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    for (const DWORD start = GetTickCount(); GetFileAttributesA(windowsMark.c_str()) == INVALID_FILE_ATTRIBUTES;) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG message;
        while (dispatch && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(10);
    }
    const std::string status = samples::ReadWholeFile(windowsMark);
    DeleteFileA(windowsMark.c_str());
    return status.compare(0, 2, "0\n") == 0;
}

}  // namespace test_support
