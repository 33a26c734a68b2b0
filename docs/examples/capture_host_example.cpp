// A program that hosts screen captures with Zentap.dll: it lets the user choose areas of the
// screen, one after another, and saves each as a BMP file, until the user presses Escape.
//
//   capture_host_example <folder> [select|object]
//
// The n-th area goes to <folder>\capture<n>.bmp. Exit code 0 when the user ended with Escape, 1
// when the module is missing, a capture was refused or a picture could not be saved.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Zentap's exports, with their calling conventions.
using HookScreenShot = const char*(WINAPI*)(HWND notifyWnd, UINT doneMsg, UINT cancelMsg, const char* useType);
using UnhookScreenShot = const char*(__cdecl*)();
using GetCurrentScreenBmp = HBITMAP(__cdecl*)();

// The messages the module sends the notify window: numbers of the host's own choosing.
constexpr UINT kDoneMessage = WM_APP + 1;
constexpr UINT kCancelMessage = WM_APP + 2;

struct Zentap {
    HookScreenShot hook;
    UnhookScreenShot unhook;
    GetCurrentScreenBmp picture;
};

template <typename Function>
Function Export(HMODULE module, const char* name) {
    // Through void*: a cast from one function type to another draws warnings from some compilers.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// One capture as its notify window hears of it.
struct Capture {
    const Zentap* zentap;
    bool ended;
    bool chosen;
};

LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* capture = reinterpret_cast<Capture*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (capture && (message == kDoneMessage || message == kCancelMessage)) {
        if (!capture->ended) {  // the cancel message repeats until the capture has ended
            capture->ended = true;
            capture->chosen = message == kDoneMessage;
            capture->zentap->unhook();  // the hooks and the frame go; the picture stays the module's
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Runs one capture with `notify` as its notify window; `status` gets the module's answer to the
// start. True when the user chose an area: `picture` is then a copy of it that the caller owns, or
// null when the area showed nothing (a choice of 1 x 1 pixels, or off the screen).
bool CaptureArea(const Zentap& zentap, HWND notify, const char* useType, std::string& status, HBITMAP& picture) {
    Capture capture = {&zentap, false, false};
    SetWindowLongPtrA(notify, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&capture));
    status = zentap.hook(notify, kDoneMessage, kCancelMessage, useType);
    // The frame and its tracking timer live in this thread: it dispatches messages until the end.
    MSG message;
    while (status == "ok" && !capture.ended) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            zentap.unhook();
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));  // for the caller's own loop
            break;
        }
        DispatchMessageA(&message);
    }
    SetWindowLongPtrA(notify, GWLP_USERDATA, 0);
    // The module deletes its picture when its next capture ends: a copy is kept instead.
    const HBITMAP chosen = capture.chosen ? zentap.picture() : nullptr;
    picture = chosen ? static_cast<HBITMAP>(CopyImage(chosen, IMAGE_BITMAP, 0, 0, 0)) : nullptr;
    return capture.chosen;
}

bool SaveBmp(HBITMAP picture, const std::string& path) {
    BITMAP size = {};
    if (!GetObjectA(picture, sizeof(size), &size)) return false;
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = size.bmWidth;
    info.biHeight = size.bmHeight;  // bottom-up rows, as a BMP file keeps them
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    std::vector<char> pixels(static_cast<size_t>(size.bmWidth) * size.bmHeight * 4);
    const HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, picture, 0, size.bmHeight, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != size.bmHeight) return false;

    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = static_cast<DWORD>(header.bfOffBits + pixels.size());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(&header), sizeof(header));
    file.write(reinterpret_cast<const char*>(&info), sizeof(info));
    file.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return file.good();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: capture_host_example <folder> [select|object]\n");
        return 1;
    }
    const std::string folder = argv[1];
    const char* useType = argc > 2 ? argv[2] : "select";

    // The module beside this program, by its full path: loaded by its bare name, a Zentap.dll
    // planted in the current folder or on the path would run its hooks in every program that gets
    // input.
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string modulePath(path, length < MAX_PATH ? length : 0);
    const size_t folderEnd = modulePath.find_last_of('\\');
    modulePath = folderEnd == std::string::npos ? "" : modulePath.substr(0, folderEnd + 1) + "Zentap.dll";
    const HMODULE module = modulePath.empty() ? nullptr : LoadLibraryA(modulePath.c_str());
    if (!module) {
        std::printf("cannot load Zentap.dll from this program's folder\n");
        return 1;
    }
    const Zentap zentap = {Export<HookScreenShot>(module, "hook_screen_shot"),
                           Export<UnhookScreenShot>(module, "unhook_screen_shot"),
                           Export<GetCurrentScreenBmp>(module, "GetCurrentScreenBMP")};

    // A message-only window of this thread hears of each capture's end.
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = NotifyProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "CaptureHostExample";
    const HWND notify = zentap.hook && zentap.unhook && zentap.picture && RegisterClassA(&windowClass)
                            ? CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                              nullptr, windowClass.hInstance, nullptr)
                            : nullptr;

    int exitCode = 1;
    for (int n = 1; notify; ++n) {
        std::string status;
        HBITMAP picture = nullptr;
        if (!CaptureArea(zentap, notify, useType, status, picture)) {
            if (status == "ok") {
                std::printf("capture %d cancelled\n", n);
                exitCode = 0;
            } else {
                std::printf("capture %d refused: %s\n", n, status.c_str());
            }
            break;
        }
        const std::string file = folder + "\\capture" + std::to_string(n) + ".bmp";
        const bool saved = picture && SaveBmp(picture, file);
        if (picture) DeleteObject(picture);
        if (!saved) {
            std::printf("capture %d: no picture saved\n", n);
            break;
        }
        std::printf("capture %d saved as %s\n", n, file.c_str());
    }
    if (notify) DestroyWindow(notify);
    FreeLibrary(module);
    return exitCode;
}
