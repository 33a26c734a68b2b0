// What a right-click on one image costs the handler beyond the image library's own decode.
//
// For a 24-megapixel JPEG and a 1-megapixel PNG, times in neighbouring pairs:
//   decode      the library's Loadimage alone, library loaded once, bitmap deleted;
//   initialize  the handler's Initialize on a real shell data object for the file (debug start,
//               settings, the selection, the library loaded, asked for the kind and the
//               thumbnail, unloaded).
// The ratio is the median of the pairs' ratios; the difference, the median of the pairs'
// differences, is what Initialize does besides the decode. Three parts of it are timed alone after
// the pairs: the shell's data object rendering the selection, the library's kind probe (it opens
// the file and reads its first bytes), and the whole of Initialize on a file that is no image,
// which is the decode's absence: the rest is the handler's own work.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "handler/pmenu.h"
#include "outside/image_library.h"
#include "samples/files.h"
#include "samples/image_files.h"
#include "samples/shell_selection.h"

namespace {

constexpr double kBound = 1.05;
constexpr int kPartRounds = 301;

struct Case {
    const char* label;
    std::string path;
    image_files::ImageParams image;
    int rounds;
};

template <typename Work>
double MedianMs(Work&& work) {
    std::vector<double> times;
    for (int round = 0; round < kPartRounds; ++round) times.push_back(bench::TimeMs(work));
    return bench::Median(times);
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
        {"24 MP JPEG (6000x4000), Initialize", dir / "big.jpg", {Format::Jpeg, 6000, 4000}, 21},
        {"1 MP PNG (1000x1000), Initialize", dir / "one.png", {Format::Png, 1000, 1000}, 301},
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

    bench::ReportHeader("decode ms", "initialize ms");
    int failures = 0;
    for (const Case& c : cases) {
        auto data = samples::ShellDataObject({c.path});
        dravik::CPMenu menu;
        bench::Pairs pairs;
        std::vector<double> besides;
        for (int round = 0; round < c.rounds; ++round) {
            HBITMAP decoded = nullptr;
            pairs.Add(
                [&] {
                    menu.Initialize(nullptr, data.Get(), nullptr);
                    if (menu.m_IsSelType != dravik::kSelectionImage) ++failures;
                },
                [&] {
                    int w = 150, h = 150, iw = 0, ih = 0, bits = 0;
                    decoded = loadImage(c.path.c_str(), &w, &h, &iw, &ih, &bits);
                });
            DeleteObject(decoded);
        }
        bench::Report(c.label, pairs, kBound);
        for (size_t i = 0; i < pairs.measured.size(); ++i) besides.push_back(pairs.measured[i] - pairs.baseline[i]);
        std::printf("%-44s %12.3f ms\n", "  besides the decode (median difference)", bench::Median(besides));
    }

    const std::string text = dir / "note.txt";
    if (!samples::WriteWholeFile(text, "not a picture")) return 1;
    auto textData = samples::ShellDataObject({text});
    dravik::CPMenu menu;
    const double shellData = MedianMs([&] {
        FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (SUCCEEDED(textData->GetData(&format, &medium))) ReleaseStgMedium(&medium);
    });
    const double kindProbe = MedianMs([&] { fileKind(text.c_str()); });
    const double withoutDecode = MedianMs([&] { menu.Initialize(nullptr, textData.Get(), nullptr); });
    std::printf("Initialize of a file that is no image       %12.3f ms\n", withoutDecode);
    std::printf("  the shell's data object, GetData          %12.3f ms\n", shellData);
    std::printf("  the library's Filekind                    %12.3f ms\n", kindProbe);
    std::printf("  the handler's own work (the rest)         %12.3f ms\n", withoutDecode - shellData - kindProbe);

    if (failures) std::fprintf(stderr, "%d rounds found no image\n", failures);
    return failures ? 1 : 0;
}
