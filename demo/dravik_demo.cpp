// The handler at work on a few selections, as the shell would hand them over: the settings it
// reads, how it classifies each selection, and, for a single image, the preview entry drawn in
// a window the way the context menu draws it.
// Usage: dravik_demo.exe <folder with sample files> [seconds to keep the preview shown]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "handler/pmenu.h"
#include "samples/shell_selection.h"

namespace {

constexpr UINT kPreviewId = 1;
const char* const kSelectionTypes[] = {"one folder", "one image", "other"};
dravik::CPMenu* g_menu = nullptr;

void Describe(const char* title, const dravik::CPMenu& menu, HRESULT hr) {
    std::printf("\n%s\n", title);
    std::printf("  Initialize            0x%08lx\n", static_cast<unsigned long>(hr));
    std::printf("  selection type        %d (%s)\n", menu.m_IsSelType, kSelectionTypes[menu.m_IsSelType]);
    std::printf("  several, menu wanted  %d\n", menu.m_multi_selected);
    std::printf("  names                 ");
    for (const std::string& name : menu.m_fileNames) std::printf("\"%s\" ", name.c_str());
    std::printf("\n  folder of the first   %s\n", menu.m_choosePath.c_str());
    if (menu.m_previewBitmap) {
        std::printf("  image kind            %d\n", menu.m_runType);
        std::printf("  image                 %dx%d, %d bits per pixel\n", menu.m_imageWidth, menu.m_imageHeight,
                    menu.m_imageBits);
        std::printf("  thumbnail             %dx%d\n", menu.m_previewWidth, menu.m_previewHeight);
    }
}

LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_MENU;
        item.itemID = kPreviewId;
        item.itemAction = ODA_DRAWENTIRE;
        item.hDC = dc;
        item.rcItem = client;
        LRESULT result = 0;
        g_menu->OnDrawItem(&item, &result);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Shows the preview entry at the size the menu would give it, for the given time.
void ShowPreview(dravik::CPMenu& menu, DWORD milliseconds) {
    g_menu = &menu;
    menu.m_previewCmdId = kPreviewId;
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemID = kPreviewId;
    LRESULT result = 0;
    menu.OnMeasureItem(&measure, &result);
    std::printf("  preview entry         %ux%u (measured)\n", measure.itemWidth, measure.itemHeight);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PreviewWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DravikDemoPreview";
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "", WS_POPUP | WS_BORDER, 40, 40,
                                  measure.itemWidth + 2, measure.itemHeight + 2, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    for (const DWORD end = GetTickCount() + milliseconds; GetTickCount() < end;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(20);
    }
    DestroyWindow(window);
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) {
        std::fprintf(stderr, "usage: dravik_demo <folder with sample files> [seconds]\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "\\";
    const DWORD showMs = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2]) * 1000) : 3000;
    samples::ComApartment com;

    dravik::CPMenu menu;
    menu.ReadSettings();
    std::printf("settings: captions in %s, viewer folder \"%s\"\n", menu.m_language ? "Korean" : "English",
                menu.m_mainPath.c_str());

    const struct {
        const char* title;
        std::vector<std::string> names;
    } selections[] = {
        {"right-click on a folder", {"album"}},
        {"right-click on a text file", {"notes.txt"}},
        {"right-click on three items, the last a folder", {"notes.txt", "harbour.jpg", "album"}},
        {"right-click on an animation", {"waves.gif"}},
        {"right-click on a photo", {"harbour.jpg"}},
    };
    for (const auto& selection : selections) {
        std::vector<std::string> paths;
        for (const std::string& name : selection.names) paths.push_back(folder + name);
        auto data = samples::ShellDataObject(paths);
        const HRESULT hr = menu.Initialize(nullptr, data.Get(), nullptr);
        Describe(selection.title, menu, hr);
    }
    ShowPreview(menu, showMs);
    return 0;
}
