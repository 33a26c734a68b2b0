// The handler's diagnostics: one line per call to the host's console, written only while the last
// debug start found the marker file (which also opened the console in the shell).
#pragma once

#include "win32/console_line.h"

namespace dravik {

constexpr char kDebugMarkerFile[] = "c:\\qmt_d.txt";

void DebugLog(LUMOREX_PRINTF_FORMAT const char* format, ...) LUMOREX_PRINTF_CHECK(1, 2);

// First step of every Initialize: a console for the host, and the lines switched on, when the
// marker file exists; the lines switched off when it does not.
void DebugStart();

}  // namespace dravik
