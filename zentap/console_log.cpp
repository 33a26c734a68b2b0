#include "console_log.h"

namespace zentap {

namespace {

// wvsprintfA writes at most this many characters.
constexpr int kLongestLine = 1024;

}  // namespace

// Formatted by the system rather than by the C runtime, whose formatter would come into every
// process the hooks reach for the sake of one line nobody reads there.
void ConsoleLog(const char* format, ...) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE) return;
    char line[kLongestLine + 2];
    va_list args;
    va_start(args, format);
    const int length = wvsprintfA(line, format, args);
    va_end(args);
    if (length < 0) return;
    line[length] = '\n';
    DWORD written = 0;
    WriteConsoleA(out, line, static_cast<DWORD>(length) + 1, &written, nullptr);
}

}  // namespace zentap
