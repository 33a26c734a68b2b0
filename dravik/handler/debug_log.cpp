#include "handler/debug_log.h"

#include "win32/unique_handle.h"

namespace dravik {

void DebugLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    win32::write_console_line_v(format, args);
    va_end(args);
}

void DebugStart() {
    WIN32_FIND_DATAA found;
    win32::unique_find search(FindFirstFileA(kDebugMarkerFile, &found));
    if (!search) return;
    AllocConsole();  // fails harmlessly when the host already has a console
    DebugLog("DEBUG start");
}

}  // namespace dravik
