#include "handler/debug_log.h"

namespace dravik {

void DebugLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    win32::write_console_line_v(format, args);
    va_end(args);
}

void DebugStart() {
    // The marker's attributes say whether it exists as a search for its exact name would: a search
    // opens and lists the folder, which costs a right-click many times more.
    if (GetFileAttributesA(kDebugMarkerFile) == INVALID_FILE_ATTRIBUTES) return;
    AllocConsole();  // fails harmlessly when the host already has a console
    DebugLog("DEBUG start");
}

}  // namespace dravik
