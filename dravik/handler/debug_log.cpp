#include "handler/debug_log.h"

namespace dravik {
namespace {

// Whether the last debug start found the marker. A host with a console of its own (a console
// program that opens a file dialog) gets no lines without it.
volatile LONG g_markerFound = 0;

}  // namespace

void DebugLog(const char* format, ...) {
    if (!InterlockedCompareExchange(&g_markerFound, 0, 0)) return;
    va_list args;
    va_start(args, format);
    win32::write_console_line_v(format, args);
    va_end(args);
}

void DebugStart() {
    // The marker's attributes say whether it exists as a search for its exact name would: a search
    // opens and lists the folder, which costs a right-click many times more.
    const bool found = GetFileAttributesA(kDebugMarkerFile) != INVALID_FILE_ATTRIBUTES;
    InterlockedExchange(&g_markerFound, found ? 1 : 0);
    if (!found) return;
    AllocConsole();  // fails harmlessly when the host already has a console
    DebugLog("DEBUG start");
}

}  // namespace dravik
