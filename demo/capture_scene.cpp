// A scene for the capture demonstration: a window over the whole virtual screen, every monitor
// showing shapes and text from its own top-left corner, so that the chosen area has something to
// show wherever it lies. It stays until the given number of seconds has passed.
// Usage: capture_scene.exe [seconds]
#include <windows.h>

#include <cstdlib>

#include "win32/unique_handle.h"

namespace {

void FillBox(HDC dc, const RECT& box, COLORREF colour) {
    win32::unique_hbrush brush(CreateSolidBrush(colour));
    FillRect(dc, &box, brush.get());
}

// One monitor's part of the scene; `part` is where the monitor lies in the window.
void Paint(HDC dc, const RECT& part) {
    const LONG left = part.left, top = part.top, height = part.bottom - part.top;
    for (LONG y = 0; y < height; y += 6)
        FillBox(dc, RECT{left, top + y, part.right, top + y + 6}, RGB(20, 40 + y * 100 / height, 90 + y * 120 / height));
    for (int i = 0; i < 12; ++i) {
        const int x = left + 80 + i * 75, y = top + 140 + (i % 4) * 110;
        win32::unique_hbrush brush(CreateSolidBrush(RGB(60 + i * 15, 200 - i * 10, 80 + (i % 3) * 60)));
        win32::scoped_select select(dc, brush.get());
        Ellipse(dc, x, y, x + 60 + (i % 3) * 20, y + 60 + (i % 3) * 20);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    const char title[] = "Lumorex: click, move, click to capture an area of this scene";
    TextOutA(dc, left + 40, top + 40, title, sizeof(title) - 1);
}

BOOL CALLBACK PaintMonitor(HMONITOR, HDC, LPRECT monitor, LPARAM dc) {
    // The window's client area starts at the virtual screen's origin.
    RECT part = *monitor;
    OffsetRect(&part, -GetSystemMetrics(SM_XVIRTUALSCREEN), -GetSystemMetrics(SM_YVIRTUALSCREEN));
    const HDC target = reinterpret_cast<HDC>(dc);
    Paint(target, part);
    if (GetSystemMetrics(SM_CMONITORS) > 1) {
        char place[96];
        const int length = wsprintfA(place, "this monitor: (%ld, %ld) to (%ld, %ld) on the screen", monitor->left,
                                     monitor->top, monitor->right, monitor->bottom);
        TextOutA(target, part.left + 40, part.top + 64, place, length);
    }
    return TRUE;
}

LRESULT CALLBACK SceneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    EnumDisplayMonitors(nullptr, nullptr, PaintMonitor, reinterpret_cast<LPARAM>(dc));
    EndPaint(window, &paint);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const DWORD showMs = static_cast<DWORD>(argc > 1 ? std::atoi(argv[1]) : 30) * 1000;
    WNDCLASSA sceneClass = {};
    sceneClass.lpfnWndProc = SceneProc;
    sceneClass.hInstance = GetModuleHandleA(nullptr);
    sceneClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    sceneClass.lpszClassName = "LumorexCaptureScene";
    RegisterClassA(&sceneClass);
    CreateWindowExA(0, sceneClass.lpszClassName, "", WS_POPUP | WS_VISIBLE, GetSystemMetrics(SM_XVIRTUALSCREEN),
                    GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN),
                    GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr, nullptr, sceneClass.hInstance, nullptr);
    for (const DWORD end = GetTickCount() + showMs; GetTickCount() < end;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return 0;
}
