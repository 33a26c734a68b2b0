// A scene for the capture demonstration: a window over the whole primary screen with shapes and
// text, so that the chosen area has something to show. It stays until the given number of seconds
// has passed.
// Usage: capture_scene.exe [seconds]
#include <windows.h>

#include <cstdlib>

#include "win32/unique_handle.h"

namespace {

void FillBox(HDC dc, const RECT& box, COLORREF colour) {
    win32::unique_hbrush brush(CreateSolidBrush(colour));
    FillRect(dc, &box, brush.get());
}

void Paint(HDC dc, const RECT& client) {
    for (LONG y = 0; y < client.bottom; y += 6)
        FillBox(dc, RECT{0, y, client.right, y + 6}, RGB(20, 40 + y * 100 / client.bottom, 90 + y * 120 / client.bottom));
    for (int i = 0; i < 12; ++i) {
        const int x = 80 + i * 75, y = 140 + (i % 4) * 110;
        win32::unique_hbrush brush(CreateSolidBrush(RGB(60 + i * 15, 200 - i * 10, 80 + (i % 3) * 60)));
        win32::scoped_select select(dc, brush.get());
        Ellipse(dc, x, y, x + 60 + (i % 3) * 20, y + 60 + (i % 3) * 20);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    const char title[] = "Lumorex: click, move, click to capture an area of this scene";
    TextOutA(dc, 40, 40, title, sizeof(title) - 1);
}

LRESULT CALLBACK SceneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    Paint(dc, client);
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
    CreateWindowExA(0, sceneClass.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                    GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, sceneClass.hInstance, nullptr);
    for (const DWORD end = GetTickCount() + showMs; GetTickCount() < end;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return 0;
}
