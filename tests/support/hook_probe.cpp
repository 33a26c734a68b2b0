// A global mouse hook that notes where the system calls it: for each left press, the process and
// thread it runs in. The notes go into the named block "lumorex hook probe", which the test
// creates. Built for both kinds, to show where a hook of one kind runs for input of the other.
#include <windows.h>

#include <cstdint>

#include "support/hook_probe_notes.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK HookProbeMouse(int code, WPARAM message, LPARAM info) {
    if (code >= 0 && message == WM_LBUTTONDOWN) {
        if (HANDLE block = OpenFileMappingA(FILE_MAP_WRITE, FALSE, test_support::kHookProbeNotesName)) {
            if (auto* notes = static_cast<test_support::HookProbeNotes*>(MapViewOfFile(block, FILE_MAP_WRITE, 0, 0, 0))) {
                const LONG slot = InterlockedIncrement(&notes->count) - 1;
                if (slot < test_support::HookProbeNotes::kSlots)
                    notes->calls[slot] = {GetCurrentProcessId(), GetCurrentThreadId(), sizeof(void*) * 8};
                UnmapViewOfFile(notes);
            }
            CloseHandle(block);
        }
    }
    return CallNextHookEx(nullptr, code, message, info);
}
