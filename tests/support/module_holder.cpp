// Loads a module into a second process and keeps it loaded until told to stop, reporting the first
// 32-bit value of one of its sections as this process sees it right after loading.
// Usage: module_holder.exe <module> <section> <report file> <ready event> <quit event>
#include <windows.h>

#include <cstdio>

#include "support/pe_section.h"

int main(int argc, char** argv) {
    if (argc != 6) return 2;
    HMODULE module = LoadLibraryA(argv[1]);
    if (!module) return 3;
    const test_support::LoadedSection section = test_support::FindLoadedSection(module, argv[2]);
    if (!section.address) return 4;
    LONG value = 0;
    std::memcpy(&value, section.address, sizeof(value));
    FILE* report = std::fopen(argv[3], "w");
    if (!report) return 5;
    std::fprintf(report, "%ld\n", value);
    std::fclose(report);

    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[4]);
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, argv[5]);
    if (!ready || !quit) return 6;
    SetEvent(ready);
    WaitForSingleObject(quit, 60000);
    CloseHandle(ready);
    CloseHandle(quit);
    FreeLibrary(module);
    return 0;
}
