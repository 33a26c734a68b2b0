// A second process of a capture: copies the shared capture record or last area to or from a file,
// holds the record open until told to stop, handles a left press as the mouse hook does in the
// process that receives it, or calls the real module's unhook_screen_shot as a host that started
// no capture. As a hostile neighbour it holds the record's lock until told to let go (and then,
// still holding it, writes the values it was given and saves the record and the last area as they
// are), or writes chosen values into fields of the record under its lock: a number, or "hung" for a
// window of its own that never answers (kept until it is told to quit).
// Usage: capture_memory_peer.exe read-record|write-record|read-area|write-area <file>
//        capture_memory_peer.exe hold <ready event> <quit event>
//        capture_memory_peer.exe press|unhook
//        capture_memory_peer.exe hold-lock <locked event> <release event> <file> [<field>=<value>...]
//        capture_memory_peer.exe set <written event> <quit event> <field>=<value>...
//          fields: notifyWnd doneMsg cancelMsg frameWnd anchor.x anchor.y phase
// Exit code 0 on success (press: the press passed), 1 when the block or its lock was not accessible
// (press: the press was swallowed), 2 and up for bad use.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "capture_locks.h"
#include "capture_memory.h"
#include "exports.h"
#include "hook_procs.h"
#include "win32/unique_handle.h"

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

bool Acquired(DWORD waitResult) { return waitResult == WAIT_OBJECT_0 || waitResult == WAIT_ABANDONED; }

// Sets one field of the record from "name=value"; false for an unknown name.
bool SetField(zentap::CaptureRecord& record, const std::string& assignment, HWND hung);

int HoldLock(const char* lockedName, const char* releaseName, const char* path, int count, char** assignments) {
    const win32::unique_handle lock(CreateMutexA(nullptr, FALSE, zentap::kRecordLockName));
    if (!lock || !Acquired(WaitForSingleObject(lock.get(), 10000))) return 1;
    const win32::unique_handle locked(OpenEventA(EVENT_MODIFY_STATE, FALSE, lockedName));
    const win32::unique_handle release(OpenEventA(SYNCHRONIZE, FALSE, releaseName));
    if (!locked || !release) return 3;
    SetEvent(locked.get());
    WaitForSingleObject(release.get(), 60000);
    struct {
        zentap::CaptureRecord record;
        zentap::LastArea area;
    } seen = {};
    bool read = zentap::ReadCaptureRecord(seen.record) && zentap::ReadLastArea(seen.area);
    for (int i = 0; read && i < count; ++i)
        if (!SetField(seen.record, assignments[i], nullptr)) return 2;
    read = read && (count == 0 || zentap::WriteCaptureRecord(seen.record));
    const bool saved = read && SaveBytes(path, &seen, sizeof(seen));
    ReleaseMutex(lock.get());
    return saved ? 0 : 1;
}

bool SetField(zentap::CaptureRecord& record, const std::string& assignment, HWND hung) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos) return false;
    const std::string name = assignment.substr(0, equals), text = assignment.substr(equals + 1);
    const long long value = text == "hung" ? static_cast<long long>(zentap::WindowValue(hung))
                                           : std::strtoll(text.c_str(), nullptr, 0);
    if (name == "notifyWnd") record.notifyWnd = static_cast<std::uint32_t>(value);
    else if (name == "doneMsg") record.doneMsg = static_cast<std::uint32_t>(value);
    else if (name == "cancelMsg") record.cancelMsg = static_cast<std::uint32_t>(value);
    else if (name == "frameWnd") record.frameWnd = static_cast<std::uint32_t>(value);
    else if (name == "anchor.x") record.anchor.x = static_cast<std::int32_t>(value);
    else if (name == "anchor.y") record.anchor.y = static_cast<std::int32_t>(value);
    else if (name == "phase") record.phase = static_cast<std::int32_t>(value);
    else return false;
    return true;
}

int SetFields(int count, char** assignments, const char* writtenName, const char* quitName) {
    // Never dispatched: a message sent to it waits for good.
    const HWND hung = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const win32::unique_handle written(OpenEventA(EVENT_MODIFY_STATE, FALSE, writtenName));
    const win32::unique_handle quit(OpenEventA(SYNCHRONIZE, FALSE, quitName));
    if (!hung || !written || !quit) return 3;
    {
        zentap::RecordCycle cycle;
        if (!cycle) return 1;
        for (int i = 0; i < count; ++i)
            if (!SetField(cycle.record(), assignments[i], hung)) return 2;
        if (!cycle.Commit()) return 1;
    }
    SetEvent(written.get());
    WaitForSingleObject(quit.get(), 60000);
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
    if (command == "hold-lock" && argc >= 5) return HoldLock(argv[2], argv[3], argv[4], argc - 5, argv + 5);
    if (command == "set" && argc >= 5) return SetFields(argc - 4, argv + 4, argv[2], argv[3]);

    return 2;
}
