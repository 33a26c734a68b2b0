#include "console_log.h"

namespace zentap {

void ConsoleLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    win32::write_console_line_v(format, args);
    va_end(args);
}

}  // namespace zentap
