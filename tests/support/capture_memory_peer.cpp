// A second process of a capture: copies the shared capture record or last area to or from a file,
// holds the record open until told to stop, handles a left press as the mouse hook does in the
// process that receives it, or calls the real module's unhook_screen_shot as a host that started
// no capture.
// Usage: capture_memory_peer.exe read-record|write-record|read-area|write-area <file>
//        capture_memory_peer.exe hold <ready event> <quit event>
//        capture_memory_peer.exe press|unhook
// Exit code 0 on success (press: the press passed), 1 when the block was not accessible (press: the
// press was swallowed), 2 and up for bad use.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "capture_memory.h"
#include "exports.h"
#include "hook_procs.h"

namespace {

bool SaveBytes(const char* path, const void* bytes, size_t size) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

bool LoadBytes(const char* path, void* bytes, size_t size) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    const bool ok = std::fread(bytes, 1, size, file) == size;
    std::fclose(file);
    return ok;
}

int Hold(const char* readyName, const char* quitName) {
    zentap::CaptureRecord record;
    if (!zentap::ReadCaptureRecord(record)) return 1;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, readyName);
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, quitName);
    if (!ready || !quit) return 3;
    SetEvent(ready);
    WaitForSingleObject(quit, 60000);
    CloseHandle(ready);
    CloseHandle(quit);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "press") {
        MOUSEHOOKSTRUCT press = {};
        GetCursorPos(&press.pt);
        return zentap::MouseHookProc(HC_ACTION, WM_LBUTTONDOWN, reinterpret_cast<LPARAM>(&press)) ? 1 : 0;
    }
    if (argc == 2 && std::string(argv[1]) == "unhook") {
        zentap::Exports zentap;
        return zentap.Bind(LoadLibraryA(zentap::kModuleFileName)) ? (zentap.unhookScreenShot(), 0) : 3;
    }
    if (argc < 3) return 2;
    const std::string command = argv[1];
    zentap::CaptureRecord record;
    zentap::LastArea area;
    if (command == "read-record") {
        if (!zentap::ReadCaptureRecord(record)) return 1;
        return SaveBytes(argv[2], &record, sizeof(record)) ? 0 : 3;
    }
    if (command == "write-record") {
        if (!LoadBytes(argv[2], &record, sizeof(record))) return 3;
        return zentap::WriteCaptureRecord(record) ? 0 : 1;
    }
    if (command == "read-area") {
        if (!zentap::ReadLastArea(area)) return 1;
        return SaveBytes(argv[2], &area, sizeof(area)) ? 0 : 3;
    }
    if (command == "write-area") {
        if (!LoadBytes(argv[2], &area, sizeof(area))) return 3;
        return zentap::WriteLastArea(area) ? 0 : 1;
    }
    if (command == "hold" && argc == 4) return Hold(argv[2], argv[3]);

    return 2;
}
