// The handler at work on a few selections, as the shell would hand them over: the settings it
// reads, how it classifies each selection, an entry picked from the menu it builds and what the
// viewer received, and, for a single image, the preview entry drawn in a window the way the
// context menu draws it. With LUMOREX_VIEWER_REPORT naming a file, the viewer writes what it
// received there instead of showing it.
// Usage: dravik_demo.exe <folder with sample files> [seconds to keep the preview shown]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "handler/pmenu.h"
#include "samples/files.h"
#include "samples/shell_selection.h"
#include "win32/unique_handle.h"

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

// Picks the entry at offset from the menu the handler builds, as the shell does on a click, and
// prints the viewer's report of what it received.
void PickEntry(dravik::CPMenu& menu, UINT offset, const char* caption) {
    const win32::unique_hmenu popup(CreatePopupMenu());
    menu.QueryContextMenu(popup.get(), 0, 1, 0x7FFF, CMF_NORMAL);
    char report[MAX_PATH] = {};
    GetEnvironmentVariableA("LUMOREX_VIEWER_REPORT", report, MAX_PATH);
    DeleteFileA(report);
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.lpVerb = MAKEINTRESOURCEA(offset);
    const HRESULT hr = menu.InvokeCommand(&info);
    std::printf("  %-22s0x%08lx\n", ("picked \"" + std::string(caption) + "\"").c_str(), static_cast<unsigned long>(hr));
    if (!*report) return;
    if (!samples::WaitForFile(report, 10000)) {
        std::printf("  the viewer did not answer\n");
        return;
    }
    const std::string received = samples::ReadWholeFile(report);
    std::printf("  the viewer received:\n");
    for (size_t start = 0, end; start < received.size(); start = end + 1) {
        end = received.find('\n', start);
        if (end == std::string::npos) end = received.size();
        std::printf("    %s\n", received.substr(start, end - start).c_str());
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
        UINT pick;  // offset of the entry picked, 0 for none
        const char* caption;
    } selections[] = {
        {"right-click on a folder", {"album"}, 0, nullptr},
        {"right-click on a text file", {"notes.txt"}, 0, nullptr},
        {"right-click on three items, the last a folder", {"notes.txt", "harbour.jpg", "album"}, 6, "Batch Rename"},
        {"right-click on an animation", {"waves.gif"}, 0, nullptr},
        {"right-click on a photo", {"harbour.jpg"}, 1, "View"},
    };
    for (const auto& selection : selections) {
        std::vector<std::string> paths;
        for (const std::string& name : selection.names) paths.push_back(folder + name);
        auto data = samples::ShellDataObject(paths);
        const HRESULT hr = menu.Initialize(nullptr, data.Get(), nullptr);
        Describe(selection.title, menu, hr);
        if (selection.pick) PickEntry(menu, selection.pick, selection.caption);
    }
    ShowPreview(menu, showMs);
    return 0;
}
