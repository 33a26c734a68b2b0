// What a right-click on one image costs the handler beyond what it must call, and what the
// thumbnail cache saves when the same picture is right-clicked again.
//
// For a 24-megapixel JPEG and a 1-megapixel PNG, times in neighbouring pairs:
//   must call   what any handler must call for the file: the shell's data object rendering the
//               selection (GetData), the library's kind probe (Filekind) and its decode (Loadimage),
//               the library loaded once, the bitmap deleted afterwards;
//   initialize  the handler's Initialize on a real shell data object for the file, with the
//               thumbnail cache emptied before (debug start, settings, the selection, the file's
//               version read, the library loaded, asked for the kind and the thumbnail, unloaded, the
//               thumbnail kept).
// Bound: within 1.02 times what it must call (the median of the pairs' ratios). Printed for
// information: Initialize against the decode alone, and the parts of what Initialize does besides
// the decode, timed alone after the pairs: the shell's data object rendering the selection, the
// library's kind probe (it opens the file and reads its first bytes), and the whole of Initialize
// on a file that is no image, which is the decode's absence: the rest is the handler's own work.
//
// The cache, each time with handlers made before the timing:
//   again     a handler's Initialize on the 24 MP JPEG right after another's, against that first
//             one (the cache emptied before it): at most 1/20;
//   changed   Initialize on a file whose last-write time changed since the cache took it, against
//             a first one with the cache emptied, in neighbouring pairs: within 1.05.
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

namespace {

constexpr double kBound = 1.02;
constexpr double kAgainBound = 1.0 / 20;
constexpr double kChangedBound = 1.05;
constexpr int kPartRounds = 301;

struct Case {
    const char* label;
    const char* changedLabel;
    std::string path;
    image_files::ImageParams image;
    int rounds;
    int cacheRounds;
    bool timesAgain;  // whether the second right-click is timed against the first
};

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

// Moves the file's last-write time one second on: another version of the file for the cache.
bool TouchLater(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME written = {};
    bool touched = GetFileTime(file, nullptr, nullptr, &written) != FALSE;
    ULARGE_INTEGER time = {{written.dwLowDateTime, written.dwHighDateTime}};
    time.QuadPart += 10000000;
    written = {time.LowPart, time.HighPart};
    touched = touched && SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    return touched;
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

    win32::unique_hmodule library(LoadLibraryA(dravik::kImageLibraryName));
    auto loadImage = win32::proc_address<dravik::LoadImageFunction>(library.get(), dravik::kLoadImageExport);
    auto fileKind = win32::proc_address<dravik::FileKindFunction>(library.get(), dravik::kFileKindExport);
    if (!loadImage || !fileKind) {
        std::fprintf(stderr, "no image library\n");
        return 1;
    }

    bench::ReportHeader("must call ms", "initialize ms");
    int failures = 0;
    for (const Case& c : cases) {
        auto data = samples::ShellDataObject({c.path});
        // One right-click: a new handler (made beforehand) initialised with the file.
        const auto initialize = [&](dravik::CPMenu& menu) {
            return bench::TimeMs([&] {
                menu.Initialize(nullptr, data.Get(), nullptr);
                if (menu.m_IsSelType != dravik::kSelectionImage) ++failures;
            });
        };
        dravik::CPMenu menu;
        bench::Pairs pairs;
        std::vector<double> decodes, besides;
        for (int round = 0; round < c.rounds; ++round) {
            HBITMAP decoded = nullptr;
            dravik::ReleaseThumbnailCache();
            pairs.Add([&] { initialize(menu); },
                      [&] {
                          RenderSelection(data.Get());
                          fileKind(c.path.c_str());
                          decodes.push_back(bench::TimeMs([&] {
                              int w = 150, h = 150, iw = 0, ih = 0, bits = 0;
                              decoded = loadImage(c.path.c_str(), &w, &h, &iw, &ih, &bits);
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
        for (size_t i = 0; i < pairs.measured.size(); ++i) besides.push_back(pairs.measured[i] - decodes[i]);
        std::printf("%-44s %12.3f ms\n", "  besides the decode (median difference)", bench::Median(besides));

        if (c.timesAgain) {
            bench::Pairs again;
            for (int round = 0; round < c.cacheRounds; ++round) {
                dravik::ReleaseThumbnailCache();
                dravik::CPMenu first, second;
                again.baseline.push_back(initialize(first));
                again.measured.push_back(initialize(second));
            }
            bench::Report("24 MP JPEG, Initialize again / a first one", again, kAgainBound);
        }

        bench::Pairs changed;
        initialize(menu);  // the cache holds the file before the first round
        for (int round = 0; round < c.cacheRounds; ++round) {
            dravik::CPMenu first, later;
            const auto changedFile = [&] {
                if (!TouchLater(c.path)) ++failures;
                changed.measured.push_back(initialize(later));
            };
            const auto firstOne = [&] {
                dravik::ReleaseThumbnailCache();
                changed.baseline.push_back(initialize(first));
            };
            if (round % 2 == 0) {
                changedFile();
                firstOne();
            } else {
                firstOne();
                changedFile();
            }
        }
        bench::Report(c.changedLabel, changed, kChangedBound);
    }

    const std::string text = dir / "note.txt";
    if (!samples::WriteWholeFile(text, "not a picture")) return 1;
    auto textData = samples::ShellDataObject({text});
    dravik::CPMenu menu;
    const double shellData = MedianMs([&] { RenderSelection(textData.Get()); });
    const double kindProbe = MedianMs([&] { fileKind(text.c_str()); });
    const double withoutDecode = MedianMs([&] { menu.Initialize(nullptr, textData.Get(), nullptr); });
    std::printf("Initialize of a file that is no image       %12.3f ms\n", withoutDecode);
    std::printf("  the shell's data object, GetData          %12.3f ms\n", shellData);
    std::printf("  the library's Filekind                    %12.3f ms\n", kindProbe);
    std::printf("  the handler's own work (the rest)         %12.3f ms\n", withoutDecode - shellData - kindProbe);

    if (failures) std::fprintf(stderr, "%d rounds found no image or could not touch it\n", failures);
    return failures ? 1 : 0;
}
