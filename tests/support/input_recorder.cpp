// A window of another process under the pointer during a capture: it shows the known pattern at
// its place on the screen and writes one line for each mouse button and key message that reaches
// it ("press", "release", "double", "right", "key <code>"), so a test can tell what the hooks let
// pass.
// Usage: input_recorder.exe <left> <top> <right> <bottom> <log file> <ready event> <quit event>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "support/screen_pattern.h"

namespace {

FILE* g_log = nullptr;
RECT g_place = {};

void Log(const char* line, WPARAM value = 0) {
    std::fprintf(g_log, value ? "%s %u\n" : "%s\n", line, static_cast<unsigned>(value));
    std::fflush(g_log);
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const int width = g_place.right - g_place.left, height = g_place.bottom - g_place.top;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = test_support::PatternColour(g_place.left + x, g_place.top + y);
            pixels[static_cast<size_t>(y) * width + x] = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
        }
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN: Log("press"); return 0;
    case WM_LBUTTONUP: Log("release"); return 0;
    case WM_LBUTTONDBLCLK: Log("double"); return 0;
    case WM_RBUTTONDOWN: Log("right"); return 0;
    case WM_KEYDOWN: Log("key", wParam); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(window); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc != 8) return 2;
    g_place = {std::atoi(__argv[1]), std::atoi(__argv[2]), std::atoi(__argv[3]), std::atoi(__argv[4])};
    g_log = std::fopen(__argv[5], "w");
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, __argv[6]);
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, __argv[7]);
    if (!g_log || !ready || !quit) return 3;

    WNDCLASSA windowClass = {};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "LumorexInputRecorder";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "recorder", WS_POPUP, g_place.left, g_place.top,
                                  g_place.right - g_place.left, g_place.bottom - g_place.top, nullptr, nullptr,
                                  instance, nullptr);
    if (!window) return 4;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    for (int i = 0; i < 20; ++i) {  // lets the picture reach the screen
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
    SetEvent(ready);
    while (MsgWaitForMultipleObjects(1, &quit, FALSE, 60000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
