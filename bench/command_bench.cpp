// What one command on a selection of 10,000 files costs the handler up to the published list (the
// viewer's start left out), against the least any handler must do with the same selection.
//
// Times in turn, on one clipboard data object holding the 10,000 paths:
//   baseline  the paths read out of the drop handle, the names joined with "|", and one copy of
//             the text into an open mapping;
//   handler   Initialize, QueryContextMenu and InvokeCommand of "Rotate" with no viewer folder.
// Rounds alternate the two; medians are compared. Needs a display for the clipboard.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "handler/pmenu.h"
#include "samples/shell_selection.h"
#include "win32/unique_handle.h"

namespace {

constexpr int kFiles = 10000;
constexpr int kRounds = 15;
constexpr DWORD kBlockBytes = 0x100000;

void Baseline(IDataObject* data, void* view) {
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium))) return;
    const HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::string text;
    char path[MAX_PATH];
    for (UINT i = 0; i < count; ++i) {
        DragQueryFileA(drop, i, path, MAX_PATH);
        const char* name = std::strrchr(path, '\\');
        text += name ? name + 1 : path;
        text += '|';
    }
    std::memcpy(view, text.data(), text.size() < kBlockBytes ? text.size() : kBlockBytes);
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
}

void Handler(IDataObject* data) {
    dravik::CPMenu menu;
    menu.Initialize(nullptr, data, nullptr);
    menu.m_mainPath.clear();
    const win32::unique_hmenu popup(CreatePopupMenu());
    menu.QueryContextMenu(popup.get(), 0, 1, 0x7FFF, CMF_NORMAL);
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(1);
    menu.InvokeCommand(&info);
}

}  // namespace

int main() {
    // The shell has no console: the trace lines go nowhere.
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    samples::ComApartment com;
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i)
        paths.push_back("C:\\Users\\Public\\Pictures\\Holiday 2023\\IMG_" + std::to_string(100000 + i) + ".JPG");
    const auto data = samples::DropListDataObject(paths);
    const win32::unique_handle mapping(
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBlockBytes, nullptr));
    const win32::unique_view view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!data || !view) {
        std::fprintf(stderr, "no data object or no mapping\n");
        return 1;
    }

    std::vector<double> baseline, handler;
    for (int round = 0; round < kRounds; ++round) {
        double start = bench::NowMs();
        Baseline(data.Get(), view.get());
        baseline.push_back(bench::NowMs() - start);
        start = bench::NowMs();
        Handler(data.Get());
        handler.push_back(bench::NowMs() - start);
    }
    const double b = bench::Median(baseline), h = bench::Median(handler);
    std::printf("%-40s %12s %12s %8s\n", "selection", "baseline ms", "handler ms", "ratio");
    std::printf("%-40s %12.1f %12.1f %8.3f (at most 1.5: %s)\n", "10,000 files, command to published list", b, h,
                h / b, h / b <= 1.5 ? "met" : "MISSED");
    return 0;
}
