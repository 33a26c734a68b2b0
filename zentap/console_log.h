// The module's diagnostics: one line per call to the host's console, nothing without one.
#pragma once

#include "win32/console_line.h"

namespace zentap {

void ConsoleLog(LUMOREX_PRINTF_FORMAT const char* format, ...) LUMOREX_PRINTF_CHECK(1, 2);

}  // namespace zentap
