// Loads a file's thumbnail through the handler in a process of its own, so that a test can put
// any image library (or none) beside it. Usage: preview_probe.exe <file> <report file>
// The report has one "name=value" line for each outcome.
#include <windows.h>

#include <cstdio>

#include "handler/pmenu.h"
#include "outside/image_library.h"
#include "preview/preview_item.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    FILE* report = std::fopen(argv[2], "w");
    if (!report) return 2;

    dravik::CPMenu menu;
    menu.m_previewWidth = menu.m_previewHeight = -1;
    menu.m_imageWidth = menu.m_imageHeight = menu.m_imageBits = -1;
    const int result = menu.LoadPreviewImage(argv[1]);

    BITMAP info = {};
    const bool bitmapValid = menu.m_previewBitmap && GetObjectA(menu.m_previewBitmap.get(), sizeof(info), &info);
    std::fprintf(report, "result=%d\nrunType=%d\nbitmap=%d\n", result, menu.m_runType, bitmapValid ? 1 : 0);
    std::fprintf(report, "bitmapSize=%ldx%ld\n", info.bmWidth, info.bmHeight);
    std::fprintf(report, "preview=%dx%d\nimage=%dx%dx%d\n", menu.m_previewWidth, menu.m_previewHeight,
                 menu.m_imageWidth, menu.m_imageHeight, menu.m_imageBits);
    std::fprintf(report, "lastPreview=%dx%d\n", dravik::g_lastPreviewWidth, dravik::g_lastPreviewHeight);
    std::fprintf(report, "libraryLoaded=%d\n", GetModuleHandleA(dravik::kImageLibraryName) != nullptr);
    std::fclose(report);
    return 0;
}
