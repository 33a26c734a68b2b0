// What reading a 1 MiB file list through the module's exports costs the viewer, against one copy
// of the same 1 MiB out of a view that is already open.
//
// The list is written by the handler's own writer in this process, which keeps the blocks open.
// Times in turn: get_FileListSize + get_FileListString into a buffer, and one memcpy of 1 MiB
// from an open view of the string block into the same buffer. Medians are compared.
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

constexpr int kRounds = 201;

}  // namespace

int main() {
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    std::string text(dravik::kFileListStringBytes, 'n');
    for (size_t i = 9; i < text.size(); i += 10) text[i] = '|';
    dravik::CPMenu writer;
    if (!writer.fileToMemoryMap(text.c_str())) return 1;

    const win32::unique_hmodule module(LoadLibraryA("Dravik.dll"));
    const auto getSize = win32::proc_address<int (*)()>(module.get(), "get_FileListSize");
    const auto getString = win32::proc_address<int(WINAPI*)(int, char*)>(module.get(), "get_FileListString");
    const win32::unique_handle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, dravik::kFileListStringName));
    const win32::unique_view view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!getSize || !getString || !view) {
        std::fprintf(stderr, "no module exports or no view\n");
        return 1;
    }

    std::vector<char> buffer(dravik::kFileListStringBytes + 1);
    std::vector<double> copy, exports;
    int failures = 0;
    for (int round = 0; round < kRounds; ++round) {
        double start = bench::NowMs();
        std::memcpy(buffer.data(), view.get(), dravik::kFileListStringBytes);
        copy.push_back(bench::NowMs() - start);

        start = bench::NowMs();
        const int size = getSize();
        if (size != static_cast<int>(buffer.size()) || getString(size, buffer.data()) != 1) ++failures;
        exports.push_back(bench::NowMs() - start);
    }
    const double c = bench::Median(copy), e = bench::Median(exports);
    std::printf("%-40s %12s %12s %8s\n", "list", "memcpy ms", "exports ms", "ratio");
    std::printf("%-40s %12.3f %12.3f %8.3f (at most 2.0: %s)\n", "1 MiB through the two exports", c, e, e / c,
                e / c <= 2.0 ? "met" : "MISSED");
    if (failures) std::fprintf(stderr, "%d rounds read no list\n", failures);
    return failures ? 1 : 0;
}
