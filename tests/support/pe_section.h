// Finds a section of a module loaded as an image: where it lies in memory, how long it is and its
// flags.
#pragma once

#include <windows.h>

#include <cstring>

namespace test_support {

struct LoadedSection {
    BYTE* address = nullptr;
    DWORD size = 0;
    DWORD characteristics = 0;
};

inline LoadedSection FindLoadedSection(HMODULE module, const char* name) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (std::strncmp(reinterpret_cast<const char*>(section->Name), name, IMAGE_SIZEOF_SHORT_NAME) == 0)
            return LoadedSection{base + section->VirtualAddress, section->Misc.VirtualSize, section->Characteristics};
    }
    return LoadedSection{};
}

}  // namespace test_support
