// What one command on a selection of many files costs the handler up to the published list (the
// viewer's start left out), against the least any handler must do with the same selection, and
// how that cost grows with the number of files.
//
// For 1,000, 10,000 and 50,000 files of one folder, on a clipboard data object holding a UTF-16
// drop list of their paths (the shell's form), times in neighbouring pairs:
//   baseline  one pass over the drop list, each name read whole into the ANSI code page, the last
//             parts joined with "|", and the last parts in UTF-16 joined the same way, then one
//             copy of each text into an open mapping (the two lists a handler publishes);
//   handler   Initialize, QueryContextMenu and InvokeCommand of "Rotate" with no viewer folder;
//             the handler and the shell's menu are made before the timing and go after it.
// Bounds: the handler within 1.5 times the baseline at each size (the median of the pairs'
// ratios), and 50,000 files within 6 times 10,000 files (5 times is growth in proportion).
// Needs a display for the clipboard.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "handler/pmenu.h"
#include "preview/file_list.h"
#include "samples/files.h"
#include "samples/shell_selection.h"
#include "win32/code_page.h"
#include "win32/unique_handle.h"

namespace {

constexpr double kBound = 1.5;
constexpr double kGrowthBound = 6.0;

constexpr int kRounds = 41;

struct Size {
    const char* label;
    int files;
    int pairsPerRound;
};

// Appends the last part of the name, read whole into the ANSI code page through `path`, and the
// same part in UTF-16.
void AppendLastPart(const wchar_t* name, size_t length, std::string& path, std::string& text, std::wstring& wideText) {
    path.resize(3 * length);
    const int units = static_cast<int>(length);
    path.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_ACP, 0, name, units, &path[0], static_cast<int>(path.size()), nullptr, nullptr)));
    const size_t separator = path.find_last_of('\\');
    text.append(path, separator == std::string::npos ? 0 : separator + 1, std::string::npos);
    const wchar_t* lastPart = name + length;
    while (lastPart > name && lastPart[-1] != L'\\') --lastPart;
    wideText.append(lastPart, name + length);
}

// The baseline; the length of the ANSI text it copied.
size_t Baseline(IDataObject* data, void* view, void* wideView) {
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium))) return 0;
    const BYTE* block = static_cast<const BYTE*>(GlobalLock(medium.hGlobal));
    const size_t blockBytes = GlobalSize(medium.hGlobal);
    DROPFILES header;
    std::memcpy(&header, block, sizeof(header));
    const wchar_t* name = reinterpret_cast<const wchar_t*>(block + header.pFiles);
    const wchar_t* end = reinterpret_cast<const wchar_t*>(block + blockBytes);
    std::string text, path;
    std::wstring wideText;
    while (name < end && *name) {
        const size_t length = wcsnlen(name, static_cast<size_t>(end - name));
        AppendLastPart(name, length, path, text, wideText);
        text += dravik::kFileListSeparator;
        wideText += static_cast<wchar_t>(dravik::kFileListSeparator);
        name += length + 1;
    }
    const size_t copied = std::min<size_t>(text.size(), dravik::kFileListStringBytes);
    std::memcpy(view, text.data(), copied);
    std::memcpy(wideView, wideText.data(),
                std::min<size_t>(wideText.size() * sizeof(wchar_t), dravik::kWideFileListStringBytes));
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return copied;
}

// One command as the shell gives it: the selection, the entries added to the shell's menu, the
// first entry picked.
void Handler(dravik::CPMenu& menu, IDataObject* data, HMENU shellMenu) {
    menu.Initialize(nullptr, data, nullptr);
    menu.m_mainPath.clear();
    menu.QueryContextMenu(shellMenu, 0, 1, 0x7FFF, CMF_NORMAL);
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(1);
    menu.InvokeCommand(&info);
}

// Whether the handler published what the baseline copied, the ANSI text of that length and the
// wide one of as many units (the names are ASCII).
bool PublishedAsTheBaseline(const void* baselineView, const void* baselineWideView, size_t length) {
    const win32::unique_handle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, dravik::kFileListStringName));
    const win32::unique_view published(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    const win32::unique_handle wideMapping(OpenFileMappingA(FILE_MAP_READ, FALSE, dravik::kWideFileListStringName));
    const win32::unique_view widePublished(MapViewOfFile(wideMapping.get(), FILE_MAP_READ, 0, 0, 0));
    return length > 0 && published && widePublished && std::memcmp(published.get(), baselineView, length) == 0 &&
           std::memcmp(widePublished.get(), baselineWideView, length * sizeof(wchar_t)) == 0;
}

}  // namespace

int main() {
    // The shell has no console: the trace lines go nowhere.
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    samples::ComApartment com;
    const win32::unique_handle mapping(
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, dravik::kFileListStringBytes, nullptr));
    const win32::unique_view view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
    const win32::unique_handle wideMapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                              dravik::kWideFileListStringBytes, nullptr));
    const win32::unique_view wideView(MapViewOfFile(wideMapping.get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view || !wideView) {
        std::fprintf(stderr, "no mapping\n");
        return 1;
    }

    const Size sizes[] = {{"1,000 files", 1000, 5}, {"10,000 files", 10000, 2}, {"50,000 files", 50000, 1}};
    constexpr size_t kSizes = sizeof(sizes) / sizeof(sizes[0]);
    constexpr size_t kGrowthFrom = 1, kGrowthTo = 2;
    // Photos of one folder, selected from the first. Of the files only the first is made: the
    // handler looks at no other on the disk (and Wine makes a file in a folder of n files in time
    // proportional to n).
    const samples::ScopedTempDir folder;
    std::vector<std::vector<std::wstring>> paths(kSizes);
    for (int i = 0; i < sizes[kSizes - 1].files; ++i) {
        const std::string path = folder / ("IMG_" + std::to_string(100000 + i) + ".JPG");
        for (size_t s = 0; s < kSizes; ++s) {
            if (i < sizes[s].files) paths[s].push_back(win32::widen(path));
        }
    }
    if (!samples::WriteWholeFile(win32::narrow(paths[0][0]), "")) {
        std::fprintf(stderr, "cannot make the first file\n");
        return 1;
    }

    // The sizes take turns round by round (the clipboard holds one list at a time), so that the
    // growth from 10,000 to 50,000 files is also compared within rounds.
    bench::Pairs pairs[kSizes];
    std::vector<double> growth;
    for (int round = 0; round < kRounds; ++round) {
        double roundHandler[kSizes] = {};
        for (size_t s = 0; s < kSizes; ++s) {
            const auto data = samples::DropListDataObject(paths[s]);
            if (!data) {
                std::fprintf(stderr, "no data object for %s\n", sizes[s].label);
                return 1;
            }
            if (round == 0) {
                {
                    dravik::CPMenu menu;
                    const win32::unique_hmenu shellMenu(CreatePopupMenu());
                    Handler(menu, data.Get(), shellMenu.get());
                }
                if (!PublishedAsTheBaseline(view.get(), wideView.get(), Baseline(data.Get(), view.get(), wideView.get()))) {
                    std::fprintf(stderr, "%s: the handler did not publish what the baseline copied\n", sizes[s].label);
                    return 1;
                }
            }
            for (int pair = 0; pair < sizes[s].pairsPerRound; ++pair) {
                dravik::CPMenu menu;
                const win32::unique_hmenu shellMenu(CreatePopupMenu());
                pairs[s].Add([&] { Handler(menu, data.Get(), shellMenu.get()); },
                             [&] { Baseline(data.Get(), view.get(), wideView.get()); });
                roundHandler[s] += pairs[s].measured.back() / sizes[s].pairsPerRound;
            }
        }
        growth.push_back(roundHandler[kGrowthTo] / roundHandler[kGrowthFrom]);
    }

    bench::ReportHeader("baseline ms", "handler ms");
    for (size_t s = 0; s < kSizes; ++s)
        bench::Report((std::string(sizes[s].label) + ", command to published list").c_str(), pairs[s], kBound);
    bench::Report("handler, 50,000 files / 10,000 files", bench::Median(pairs[kGrowthFrom].measured),
                  bench::Median(pairs[kGrowthTo].measured), bench::Median(growth), kGrowthBound);
    return 0;
}
