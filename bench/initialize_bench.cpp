// What a right-click on one image costs the handler beyond the image library's own decode.
//
// For a 24-megapixel JPEG and a 1-megapixel PNG, times in turn:
//   decode      the library's Loadimage alone, library loaded once, bitmap deleted;
//   initialize  the handler's Initialize on a real shell data object for the file (settings,
//               selection, the library loaded, asked for the kind and the thumbnail, unloaded).
// Rounds alternate the two so that both see the same machine; medians are compared.
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

struct Case {
    const char* label;
    std::string path;
    int rounds;
};

}  // namespace

int main() {
    // The shell has no console, so the handler's trace lines go nowhere; the C runtime keeps its
    // own copy of the handle for the results printed here.
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    samples::ComApartment com;
    samples::ScopedTempDir dir;
    using image_files::Format;
    const std::vector<Case> cases = {
        {"24 MP JPEG (6000x4000)", dir / "big.jpg", 7},
        {"1 MP PNG (1000x1000)", dir / "one.png", 41},
    };
    if (!image_files::WriteImage(cases[0].path, {Format::Jpeg, 6000, 4000}) ||
        !image_files::WriteImage(cases[1].path, {Format::Png, 1000, 1000})) {
        std::fprintf(stderr, "cannot write the images\n");
        return 1;
    }

    win32::unique_hmodule library(LoadLibraryA(dravik::kImageLibraryName));
    auto loadImage = win32::proc_address<dravik::LoadImageFunction>(library.get(), dravik::kLoadImageExport);
    if (!loadImage) {
        std::fprintf(stderr, "no image library\n");
        return 1;
    }

    std::printf("%-24s %12s %14s %8s\n", "image", "decode ms", "initialize ms", "ratio");
    int failures = 0;
    for (const Case& c : cases) {
        auto data = samples::ShellDataObject({c.path});
        dravik::CPMenu menu;
        std::vector<double> decode, initialize;
        for (int round = 0; round < c.rounds; ++round) {
            int w = 150, h = 150, iw = 0, ih = 0, bits = 0;
            double start = bench::NowMs();
            HBITMAP bitmap = loadImage(c.path.c_str(), &w, &h, &iw, &ih, &bits);
            decode.push_back(bench::NowMs() - start);
            DeleteObject(bitmap);

            start = bench::NowMs();
            menu.Initialize(nullptr, data.Get(), nullptr);
            initialize.push_back(bench::NowMs() - start);
            if (menu.m_IsSelType != dravik::kSelectionImage) ++failures;
        }
        const double d = bench::Median(decode), i = bench::Median(initialize);
        std::printf("%-24s %12.1f %14.1f %8.3f\n", c.label, d, i, i / d);
    }
    if (failures) std::fprintf(stderr, "%d rounds found no image\n", failures);
    return failures ? 1 : 0;
}
