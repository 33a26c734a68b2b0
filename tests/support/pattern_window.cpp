// Covers the whole virtual screen (every monitor) with a window that shows the known pattern, and
// keeps it there until told to stop. The ready event is set once the picture has been painted.
// Usage: pattern_window.exe <ready event> <quit event>
#include <windows.h>

#include <cstdlib>

#include "support/screen_pattern.h"

namespace {

HDC g_picture = nullptr;

LRESULT CALLBACK WindowProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(wnd, &paint);
        const RECT& r = paint.rcPaint;
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, g_picture, r.left, r.top, SRCCOPY);
        EndPaint(wnd, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(wnd, message, wParam, lParam);
    }
}

void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(5);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc != 3) return 2;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, __argv[1]);
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, __argv[2]);
    if (!ready || !quit) return 3;

    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!picture) return 4;
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = test_support::PatternColour(left + x, top + y);
            pixels[y * width + x] = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
        }
    g_picture = CreateCompatibleDC(nullptr);
    SelectObject(g_picture, picture);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "LumorexTestPattern";
    RegisterClassA(&windowClass);
    HWND wnd = CreateWindowExA(0, windowClass.lpszClassName, "pattern", WS_POPUP, left, top, width, height, nullptr,
                               nullptr, instance, nullptr);
    if (!wnd) return 5;
    ShowWindow(wnd, SW_SHOW);
    UpdateWindow(wnd);
    PumpFor(300);  // lets the picture reach the screen
    SetEvent(ready);

    while (MsgWaitForMultipleObjects(1, &quit, FALSE, 60000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    DestroyWindow(wnd);
    DeleteDC(g_picture);
    DeleteObject(picture);
    return 0;
}
