// What a right-click on one image costs the handler beyond what it must call, and what the
// thumbnail cache saves when the same picture is right-clicked again.
//
// For a 24-megapixel JPEG and a 1-megapixel PNG, times in neighbouring pairs:
//   must call   what any handler must call for the file: the shell's data object rendering the
//               selection (GetData), the library's kind probe (Filekind) and its decode (Loadimage),
//               the library loaded once, the bitmap deleted afterwards;
//   initialize  a new handler's Initialize on a real shell data object for the file, the thumbnail
//               cache emptied before each pair (debug start, settings, the selection, the file's
//               version read, the library loaded, asked for the kind and the thumbnail, unloaded,
//               the thumbnail kept).
// Bound: within 1.02 times what it must call (the median of the pairs' ratios). Printed for
// information: Initialize against the decode alone, the median of the pairs' differences from it,
// and, timed alone after the pairs, the parts of that difference: the shell's data object, the
// library's kind probe (it opens the file and reads its first bytes), and the whole of Initialize
// on a file that is no image, which is the decode's absence: the rest is the handler's own work.
//
// The cache, with handlers made before the timing:
//   again     for the 24 MP JPEG, a handler's Initialize right after another's, against that first
//             one (the cache emptied before it): at most 1/20;
//   changed   Initialize on a file whose last-write time moved since the cache took it, against a
//             first one with the cache emptied, in neighbouring pairs: within 1.05.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "handler/pmenu.h"
#include "outside/image_library.h"
#include "preview/thumbnail_cache.h"
#include "samples/files.h"
#include "samples/image_files.h"
#include "samples/shell_selection.h"
#include "win32/module_path.h"

namespace {

constexpr double kBound = 1.02;
constexpr double kAgainBound = 1.0 / 20;
constexpr double kChangedBound = 1.05;
constexpr int kPartRounds = 301;
constexpr ULONGLONG kOneSecond = 10000000;  // in the file time's 100 ns units

struct Case {
    const char* label;
    const char* changedLabel;
    std::string path;
    image_files::ImageParams image;
    int rounds;
    int cacheRounds;
    bool timesAgain;  // whether the second right-click is timed against the first
};

// The image library's two calls, from the library beside this program, loaded once.
struct Library {
    win32::unique_hmodule module;
    dravik::LoadImageFunction loadImage = nullptr;
    dravik::FileKindFunction fileKind = nullptr;

    bool Load() {
        std::wstring path = win32::module_file_name<wchar_t>(nullptr);
        path.erase(path.find_last_of(L'\\') + 1);
        path += L"Zuzazavuro.dll";
        module.reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        loadImage = win32::proc_address<dravik::LoadImageFunction>(module.get(), dravik::kLoadImageExport);
        fileKind = win32::proc_address<dravik::FileKindFunction>(module.get(), dravik::kFileKindExport);
        return loadImage && fileKind;
    }
};

int g_failures = 0;

template <typename Work>
double MedianMs(Work&& work) {
    std::vector<double> times;
    for (int round = 0; round < kPartRounds; ++round) times.push_back(bench::TimeMs(work));
    return bench::Median(times);
}

void RenderSelection(IDataObject* data) {
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (SUCCEEDED(data->GetData(&format, &medium))) ReleaseStgMedium(&medium);
}

// One right-click: a handler made beforehand initialised with the file.
double TimeInitialize(dravik::CPMenu& menu, IDataObject* data) {
    return bench::TimeMs([&] {
        menu.Initialize(nullptr, data, nullptr);
        if (menu.m_IsSelType != dravik::kSelectionImage) ++g_failures;
    });
}

// Moves the file's last-write time one second on: another version of the file for the cache.
void TouchLater(const std::string& path) {
    win32::unique_file file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    FILETIME written = {};
    if (!file || !GetFileTime(file.get(), nullptr, nullptr, &written)) {
        ++g_failures;
        return;
    }
    ULARGE_INTEGER time = {{written.dwLowDateTime, written.dwHighDateTime}};
    time.QuadPart += kOneSecond;
    written = {time.LowPart, time.HighPart};
    if (!SetFileTime(file.get(), nullptr, nullptr, &written)) ++g_failures;
}

// A first right-click against what it must call, and, for information, against the decode alone.
void TimeFirstRightClick(const Case& c, IDataObject* data, const Library& library) {
    bench::Pairs pairs;
    std::vector<double> decodes;
    for (int round = 0; round < c.rounds; ++round) {
        // A new handler each time, as the shell makes one for each right-click: one used before
        // would delete its last thumbnail in Initialize.
        dravik::CPMenu menu;
        HBITMAP decoded = nullptr;
        dravik::ReleaseThumbnailCache();
        pairs.Add([&] { TimeInitialize(menu, data); },
                  [&] {
                      RenderSelection(data);
                      library.fileKind(c.path.c_str());
                      decodes.push_back(bench::TimeMs([&] {
                          int width = 150, height = 150, imageWidth = 0, imageHeight = 0, bits = 0;
                          decoded = library.loadImage(c.path.c_str(), &width, &height, &imageWidth, &imageHeight, &bits);
                      }));
                  });
        DeleteObject(decoded);
    }
    bench::Report(c.label, pairs, kBound);

    bench::Pairs againstDecode;
    againstDecode.measured = pairs.measured;
    againstDecode.baseline = decodes;
    bench::ReportInformation("  against the decode alone", bench::Median(decodes), bench::Median(pairs.measured),
                             againstDecode.Ratio());
    std::vector<double> besides;
    for (size_t i = 0; i < pairs.measured.size(); ++i) besides.push_back(pairs.measured[i] - decodes[i]);
    std::printf("%-44s %12.3f ms\n", "  besides the decode (median difference)", bench::Median(besides));
}

// The same picture right-clicked again, against the first right-click on it.
void TimeRightClickAgain(const Case& c, IDataObject* data) {
    bench::Pairs again;
    for (int round = 0; round < c.cacheRounds; ++round) {
        dravik::ReleaseThumbnailCache();
        dravik::CPMenu first, second;
        again.baseline.push_back(TimeInitialize(first, data));
        again.measured.push_back(TimeInitialize(second, data));
    }
    bench::Report("24 MP JPEG, Initialize again / a first one", again, kAgainBound);
}

// A right-click on a file changed since the cache took it, against a first right-click.
void TimeChangedFile(const Case& c, IDataObject* data) {
    bench::Pairs changed;
    dravik::CPMenu warm;
    TimeInitialize(warm, data);  // the cache holds the file before the first round
    for (int round = 0; round < c.cacheRounds; ++round) {
        dravik::CPMenu first, later;
        // Neighbouring, the side that goes first alternating; the touch and the emptying untimed.
        // The changed side finds in the cache the version the previous Initialize took.
        const auto changedSide = [&] {
            TouchLater(c.path);
            changed.measured.push_back(TimeInitialize(later, data));
        };
        const auto firstSide = [&] {
            dravik::ReleaseThumbnailCache();
            changed.baseline.push_back(TimeInitialize(first, data));
        };
        if (round % 2 == 0) {
            changedSide();
            firstSide();
        } else {
            firstSide();
            changedSide();
        }
    }
    bench::Report(c.changedLabel, changed, kChangedBound);
}

// What Initialize does besides the decode, taken apart on a file that is no image.
void PrintPartsBesidesDecode(const samples::ScopedTempDir& dir, const Library& library) {
    const std::string text = dir / "note.txt";
    if (!samples::WriteWholeFile(text, "not a picture")) {
        ++g_failures;
        return;
    }
    auto data = samples::ShellDataObject({text});
    dravik::CPMenu menu;
    const double shellData = MedianMs([&] { RenderSelection(data.Get()); });
    const double kindProbe = MedianMs([&] { library.fileKind(text.c_str()); });
    const double withoutDecode = MedianMs([&] { menu.Initialize(nullptr, data.Get(), nullptr); });
    std::printf("%-44s %12.3f ms\n", "Initialize of a file that is no image", withoutDecode);
    std::printf("%-44s %12.3f ms\n", "  the shell's data object, GetData", shellData);
    std::printf("%-44s %12.3f ms\n", "  the library's Filekind", kindProbe);
    std::printf("%-44s %12.3f ms\n", "  the handler's own work (the rest)", withoutDecode - shellData - kindProbe);
}

}  // namespace

int main() {
    // The shell has no console, so the handler's trace lines go nowhere; the C runtime keeps its
    // own copy of the handle for the results printed here.
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    samples::ComApartment com;
    samples::ScopedTempDir dir;
    using image_files::Format;
    const std::vector<Case> cases = {
        {"24 MP JPEG (6000x4000), Initialize", "24 MP JPEG, Initialize of a changed file", dir / "big.jpg",
         {Format::Jpeg, 6000, 4000}, 21, 11, true},
        {"1 MP PNG (1000x1000), Initialize", "1 MP PNG, Initialize of a changed file", dir / "one.png",
         {Format::Png, 1000, 1000}, 301, 101, false},
    };
    for (const Case& c : cases) {
        if (!image_files::WriteImage(c.path, c.image)) {
            std::fprintf(stderr, "cannot write %s\n", c.path.c_str());
            return 1;
        }
    }
    Library library;
    if (!library.Load()) {
        std::fprintf(stderr, "no image library beside the program\n");
        return 1;
    }

    bench::ReportHeader("baseline ms", "measured ms");
    for (const Case& c : cases) {
        auto data = samples::ShellDataObject({c.path});
        TimeFirstRightClick(c, data.Get(), library);
        if (c.timesAgain) TimeRightClickAgain(c, data.Get());
        TimeChangedFile(c, data.Get());
    }
    PrintPartsBesidesDecode(dir, library);

    if (g_failures) std::fprintf(stderr, "%d rounds found no image or could not touch the file\n", g_failures);
    return g_failures ? 1 : 0;
}
