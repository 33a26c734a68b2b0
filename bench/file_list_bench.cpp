// What reading a 1 MiB file list through the module's exports costs the viewer, against what any
// reader that keeps nothing open must do to read the same list: open the string block, map it,
// copy 1 MiB out, unmap it and close it.
//
// The list is written by the handler's own writer in this process, which keeps the blocks open.
// Times in neighbouring pairs: get_FileListSize + get_FileListString into a buffer, and the cold
// read of the string block into the same buffer. The ratio is the median of the pairs' ratios.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "handler/pmenu.h"
#include "preview/file_list.h"
#include "win32/proc_address.h"
#include "win32/unique_handle.h"

namespace {

constexpr int kRounds = 401;
constexpr double kBound = 1.25;

bool ColdRead(char* buffer) {
    const win32::unique_handle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, dravik::kFileListStringName));
    const win32::unique_view view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return false;
    std::memcpy(buffer, view.get(), dravik::kFileListStringBytes);
    buffer[dravik::kFileListStringBytes] = '\0';
    return true;
}

}  // namespace

int main() {
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    std::string text(dravik::kFileListStringBytes, 'n');
    for (size_t i = 9; i < text.size(); i += 10) text[i] = '|';
    dravik::CPMenu writer;
    if (!writer.fileToMemoryMap(text.c_str(), L"")) return 1;

    const win32::unique_hmodule module(LoadLibraryA("Dravik.dll"));
    const auto getSize = win32::proc_address<int (*)()>(module.get(), "get_FileListSize");
    const auto getString = win32::proc_address<int(WINAPI*)(int, char*)>(module.get(), "get_FileListString");
    if (!getSize || !getString) {
        std::fprintf(stderr, "no module exports\n");
        return 1;
    }

    std::vector<char> buffer(dravik::kFileListStringBytes + 1);
    bench::Pairs pairs;
    int failures = 0;
    for (int round = 0; round < kRounds; ++round) {
        pairs.Add(
            [&] {
                const int size = getSize();
                if (size != static_cast<int>(buffer.size()) || getString(size, buffer.data()) != 1) ++failures;
            },
            [&] {
                if (!ColdRead(buffer.data())) ++failures;
            });
    }
    bench::ReportHeader("cold read ms", "exports ms");
    bench::Report("1 MiB list through the two exports", pairs, kBound);
    if (failures) std::fprintf(stderr, "%d rounds read no list\n", failures);
    return failures ? 1 : 0;
}
