// The handler's diagnostics: one line per call to the host's console, which exists in the shell
// only when the debug marker file opened one.
#pragma once

#include "win32/console_line.h"

namespace dravik {

constexpr char kDebugMarkerFile[] = "c:\\qmt_d.txt";

void DebugLog(LUMOREX_PRINTF_FORMAT const char* format, ...) LUMOREX_PRINTF_CHECK(1, 2);

// First step of every Initialize: a console for the host when the marker file exists.
void DebugStart();

}  // namespace dravik
