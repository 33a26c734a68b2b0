#include "selection_view.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "handler_request.h"
#include "win32/code_page.h"
#include "win32/module_path.h"
#include "win32/proc_address.h"
#include "win32/unique_handle.h"
#include "win32/window_class.h"

namespace lumorex {
namespace {

// Set to a file name, the viewer writes what it received there as "name=value" lines and exits
// instead of showing a window. The handler's command line is fixed, so the switch travels in the
// environment that the started process inherits.
constexpr char kReportVariable[] = "LUMOREX_VIEWER_REPORT";

constexpr wchar_t kImageLibrary[] = L"Zuzazavuro.dll";
using LoadImageFunction = HBITMAP(WINAPI*)(const char* path, int* width, int* height, int* imageWidth,
                                           int* imageHeight, int* bitsPerPixel);
constexpr int kPictureBoxWidth = 480;
constexpr int kPictureBoxHeight = 360;
constexpr int kMargin = 8;
constexpr int kTextHeight = 260;

constexpr int kExitShown = 0;
constexpr int kExitRefused = 2;

// What the viewer received, in both forms: the ANSI ones as an ANSI viewer reads them, the wide
// ones (in UTF-8) exact. It works on the wide ones; the wide list is missing only from a module
// that has none, and then the ANSI list stands in.
struct Selection {
    std::string commandLine;
    Request request;
    FileList list;
    std::string wideCommandLine;
    Request wideRequest;
    FileList wideList;
    bool wideListRead = false;
    std::string error;
    win32::unique_hbitmap picture;
    int pictureWidth = 0;
    int pictureHeight = 0;
};

bool ShowsPicture(const std::string& keyword) { return keyword == "Viw" || keyword == "Vwp"; }

// The names the viewer works on, in UTF-8.
std::vector<std::string> ShownNames(const Selection& s) {
    if (s.wideListRead) return s.wideList.names;
    std::vector<std::string> names;
    for (const std::string& name : s.list.names) names.push_back(win32::narrow(win32::widen(name), CP_UTF8));
    return names;
}

void LoadPicture(Selection& s) {
    const std::vector<std::string> names = ShownNames(s);
    if (!ShowsPicture(s.request.keyword) || names.empty()) return;
    // The library takes ANSI paths: a file that no ANSI path names shows no picture.
    std::string path;
    if (!win32::ansi_path_of(win32::widen(s.wideRequest.folder + names.front(), CP_UTF8), path)) return;
    // From beside this program only, never by bare name.
    const win32::unique_hmodule library(LoadLibraryW((OwnFolder() + kImageLibrary).c_str()));
    const auto loadImage = win32::proc_address<LoadImageFunction>(library.get(), "Loadimage");
    if (!loadImage) return;
    int width = kPictureBoxWidth, height = kPictureBoxHeight, imageWidth = 0, imageHeight = 0, bits = 0;
    s.picture.reset(loadImage(path.c_str(), &width, &height, &imageWidth, &imageHeight, &bits));
    if (s.picture) {
        s.pictureWidth = width;
        s.pictureHeight = height;
    }
}

int WriteReport(const std::string& path, const Selection& s) {
    // Written whole under another name first, so that a reader never finds half a report.
    const std::string partial = path + ".part";
    FILE* out = std::fopen(partial.c_str(), "w");
    if (!out) return kExitRefused;
    std::fprintf(out, "command line=%s\n", s.commandLine.c_str());
    if (!s.error.empty()) {
        std::fprintf(out, "error=%s\n", s.error.c_str());
    } else {
        std::fprintf(out, "keyword=%s\nfolder=%s\nlist field=%s\n", s.request.keyword.c_str(),
                     s.request.folder.c_str(), s.request.listField.c_str());
        std::fprintf(out, "list=%s\nnames=%u\n", s.list.text.c_str(), static_cast<unsigned>(s.list.names.size()));
        for (size_t i = 0; i < s.list.names.size(); ++i)
            std::fprintf(out, "name%u=%s\n", static_cast<unsigned>(i + 1), s.list.names[i].c_str());
        // The exact forms, in UTF-8.
        std::fprintf(out, "wide command line=%s\nwide folder=%s\n", s.wideCommandLine.c_str(),
                     s.wideRequest.folder.c_str());
        if (s.wideListRead) {
            std::fprintf(out, "wide list=%s\nwide names=%u\n", s.wideList.text.c_str(),
                         static_cast<unsigned>(s.wideList.names.size()));
            for (size_t i = 0; i < s.wideList.names.size(); ++i)
                std::fprintf(out, "wide name%u=%s\n", static_cast<unsigned>(i + 1), s.wideList.names[i].c_str());
        }
        std::fprintf(out, "picture=%dx%d\n", s.pictureWidth, s.pictureHeight);
        std::wstring current(GetCurrentDirectoryW(0, nullptr), L'\0');
        current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()), &current[0]));
        std::fprintf(out, "current folder=%s\n", win32::narrow(current, CP_UTF8).c_str());
    }
    std::fclose(out);
    MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    return s.error.empty() ? kExitShown : kExitRefused;
}

// In UTF-8.
std::string DescribeForWindow(const Selection& s) {
    const std::vector<std::string> names = ShownNames(s);
    std::string text = "Command: " + s.wideRequest.keyword + "\r\nFolder: " + s.wideRequest.folder + "\r\n" +
                       std::to_string(names.size()) + " item(s):\r\n";
    for (const std::string& name : names) text += "    " + name + "\r\n";
    return text;
}

LRESULT CALLBACK SelectionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* s = reinterpret_cast<const Selection*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
            break;
        case WM_SIZE:
            if (s) {
                const int top = s->picture ? s->pictureHeight + 2 * kMargin : kMargin;
                MoveWindow(GetDlgItem(window, 1), kMargin, top, LOWORD(lParam) - 2 * kMargin,
                           HIWORD(lParam) - top - kMargin, TRUE);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(window, &paint);
            if (s && s->picture) {
                const win32::unique_mem_dc memory(CreateCompatibleDC(dc));
                const win32::scoped_select select(memory.get(), s->picture.get());
                BitBlt(dc, kMargin, kMargin, s->pictureWidth, s->pictureHeight, memory.get(), 0, 0, SRCCOPY);
            }
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunWindow(Selection& s, int show) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    constexpr char kClassName[] = "LumorexSelection";
    win32::register_window_class(kClassName, SelectionWindowProc, GetSysColorBrush(COLOR_BTNFACE));

    RECT frame = {0, 0, kPictureBoxWidth + 2 * kMargin,
                  (s.picture ? s.pictureHeight + kMargin : 0) + kTextHeight + 2 * kMargin};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    const std::string title = "Lumorex - " + s.request.keyword;
    const HWND window = CreateWindowExA(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                        CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                        nullptr, instance, &s);
    if (!window) return kExitRefused;
    // A control of UTF-16 text, so that every name shows as it is.
    const HWND text = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0, 0, 0,
                                      window, reinterpret_cast<HMENU>(1), instance, nullptr);
    SendMessageW(text, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(text, win32::widen(DescribeForWindow(s), CP_UTF8).c_str());
    ShowWindow(window, show);
    RECT client;
    GetClientRect(window, &client);
    SendMessageA(window, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return kExitShown;
}

std::string EnvironmentValue(const char* name) {
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0) return {};
    std::string value(size, '\0');
    value.resize(GetEnvironmentVariableA(name, &value[0], size));
    return value;
}

}  // namespace

int ShowSelection(const char* commandLine, const wchar_t* wideCommandLine, int show) try {
    Selection s;
    s.commandLine = commandLine ? commandLine : "";
    s.wideCommandLine = wideCommandLine ? win32::narrow(wideCommandLine, std::wcslen(wideCommandLine), CP_UTF8) : "";
    s.error = ParseHandlerCommandLine(commandLine, s.request);
    if (s.error.empty()) s.error = ParseHandlerCommandLine(s.wideCommandLine.c_str(), s.wideRequest);
    if (s.error.empty()) s.error = ReadFileList(s.list);
    // A module without the wide list leaves the ANSI one to stand in.
    if (s.error.empty()) s.wideListRead = ReadWideFileList(s.wideList).empty();
    if (s.error.empty()) LoadPicture(s);

    const std::string reportPath = EnvironmentValue(kReportVariable);
    if (!reportPath.empty()) return WriteReport(reportPath, s);
    if (!s.error.empty()) {
        MessageBoxA(nullptr, ("Lumorex cannot show this selection: " + s.error + ".").c_str(), "Lumorex",
                    MB_OK | MB_ICONERROR);
        return kExitRefused;
    }
    return RunWindow(s, show);
} catch (...) {
    return kExitRefused;
}

}  // namespace lumorex
