// Runs the handler's debug start and settings step in a process started without a console, as
// the shell is, or with one of its own (/console), as a console program that opens a file dialog
// is, then reports whether a console appeared and what its screen holds.
// Usage: console_probe.exe [/console] <report file>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "handler/debug_log.h"
#include "handler/pmenu.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    constexpr char kOwnConsole[] = "/console ";
    const char* reportPath = commandLine;
    if (std::strncmp(commandLine, kOwnConsole, sizeof(kOwnConsole) - 1) == 0) {
        AllocConsole();
        reportPath += sizeof(kOwnConsole) - 1;
    }
    FILE* report = std::fopen(reportPath, "w");
    if (!report) return 2;

    dravik::DebugStart();
    dravik::CPMenu menu;
    menu.ReadSettings();
    dravik::DebugLog("probe %d %s %.3f", 7, "x", 1.5);

    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    std::fprintf(report, "console=%d\n", GetConsoleWindow() != nullptr || out != nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (out && GetConsoleScreenBufferInfo(out, &info)) {
        for (SHORT row = 0; row < 4; ++row) {
            char line[256] = {};
            DWORD read = 0;
            const DWORD width = info.dwSize.X < 255 ? info.dwSize.X : 255;
            ReadConsoleOutputCharacterA(out, line, width, COORD{0, row}, &read);
            // Trailing blanks are the empty rest of the row.
            for (DWORD end = read; end > 0 && line[end - 1] == ' '; --end) line[end - 1] = '\0';
            std::fprintf(report, "row%d=%s\n", row, line);
        }
    }
    std::fclose(report);
    return 0;
}
