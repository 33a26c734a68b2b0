// One printf-style diagnostic line to the host process's console. A process without a console
// (the shell, a hooked program) gets nothing; write errors are ignored.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#if defined(_MSC_VER)
#include <sal.h>
#define LUMOREX_PRINTF_FORMAT _Printf_format_string_
#define LUMOREX_PRINTF_CHECK(fmt, args)
#else
#define LUMOREX_PRINTF_FORMAT
#define LUMOREX_PRINTF_CHECK(fmt, args) __attribute__((format(printf, fmt, args)))
#endif

namespace win32 {

inline void write_console_line_v(const char* format, va_list args) {
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE) return;

    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) return;

    std::string line(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(&line[0], line.size(), format, args);
    line[static_cast<size_t>(length)] = '\n';
    DWORD written = 0;
    ::WriteConsoleA(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace win32
