// The selection frame at work: a backdrop stands for the desktop on every monitor, the frame
// outlines an area on it, then grabs that area into a bitmap, which is written to a file.
// Usage: zentap_demo.exe <bitmap file to write> [seconds to show the frame [left top right bottom]]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "frame_dlg.h"
#include "messages.h"

namespace {

RECT g_area = {260, 200, 620, 430};

LRESULT CALLBACK BackdropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        for (int y = 0; y < client.bottom; y += 8) {
            RECT band = {0, y, client.right, y + 8};
            HBRUSH brush = CreateSolidBrush(RGB(30, 60 + y * 120 / client.bottom, 120 + y * 100 / client.bottom));
            FillRect(dc, &band, brush);
            DeleteObject(brush);
        }
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        const char text[] = "Lumorex: the area inside the red frame is what the capture takes";
        // The backdrop's client area starts at the virtual screen's origin.
        TextOutA(dc, g_area.left + 20 - GetSystemMetrics(SM_XVIRTUALSCREEN),
                 g_area.top + 100 - GetSystemMetrics(SM_YVIRTUALSCREEN), text, sizeof(text) - 1);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void PumpFor(DWORD milliseconds) {
    for (const DWORD end = GetTickCount() + milliseconds; GetTickCount() < end;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(20);
    }
}

bool WriteBitmapFile(HBITMAP bitmap, const char* path) {
    BITMAP info = {};
    GetObjectA(bitmap, sizeof(info), &info);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = info.bmWidth;
    header.biHeight = info.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    const DWORD stride = (info.bmWidth * 3 + 3) & ~3u;
    std::vector<BYTE> pixels(stride * info.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    std::fwrite(&file, sizeof(file), 1, out);
    std::fwrite(&header, sizeof(header), 1, out);
    std::fwrite(pixels.data(), 1, pixels.size(), out);
    return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) return 2;
    const DWORD showMs = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2]) * 1000) : 3000;
    if (argc > 6) g_area = {std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6])};

    WNDCLASSA backdropClass = {};
    backdropClass.lpfnWndProc = BackdropProc;
    backdropClass.hInstance = GetModuleHandleA(nullptr);
    backdropClass.lpszClassName = "ZentapDemoBackdrop";
    RegisterClassA(&backdropClass);
    HWND backdrop = CreateWindowExA(0, backdropClass.lpszClassName, "", WS_POPUP | WS_VISIBLE,
                                    GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                    GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                                    nullptr, nullptr, backdropClass.hInstance, nullptr);
    PumpFor(300);

    zentap::CFrameDlg frame;
    frame.m_useType = "select";
    if (!frame.Create()) return 1;
    frame.MoveFrame(g_area);
    std::printf("frame around (%ld, %ld)-(%ld, %ld), caption \"%s\"\n", g_area.left, g_area.top, g_area.right,
                g_area.bottom, frame.m_caption.c_str());
    PumpFor(showMs);

    SendMessageA(frame.GetSafeHwnd(), zentap::g_rectOkMessage, zentap::PackCorner(g_area.left, g_area.top),
                 zentap::PackCorner(g_area.right, g_area.bottom));
    win32::unique_hbitmap grab(frame.TakeBitmap());
    BITMAP info = {};
    if (!grab || !GetObjectA(grab.get(), sizeof(info), &info)) return 1;
    std::printf("grabbed %ldx%ld pixels into %s\n", info.bmWidth, info.bmHeight, argv[1]);
    frame.DestroyWindow();
    DestroyWindow(backdrop);
    return WriteBitmapFile(grab.get(), argv[1]) ? 0 : 1;
}
