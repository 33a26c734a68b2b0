// The selection frame at work: a backdrop stands for the desktop, the frame outlines an area on
// it, then grabs that area into a bitmap, which is written to a file.
// Usage: zentap_demo.exe <bitmap file to write> [seconds to show the frame]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "frame_dlg.h"
#include "messages.h"

namespace {

const RECT kArea = {260, 200, 620, 430};

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
        TextOutA(dc, 280, 300, text, sizeof(text) - 1);
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

    WNDCLASSA backdropClass = {};
    backdropClass.lpfnWndProc = BackdropProc;
    backdropClass.hInstance = GetModuleHandleA(nullptr);
    backdropClass.lpszClassName = "ZentapDemoBackdrop";
    RegisterClassA(&backdropClass);
    HWND backdrop = CreateWindowExA(0, backdropClass.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0,
                                    GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                    backdropClass.hInstance, nullptr);
    PumpFor(300);

    zentap::CFrameDlg frame;
    frame.m_useType = "select";
    if (!frame.Create()) return 1;
    frame.MoveFrame(kArea);
    std::printf("frame around (%ld, %ld)-(%ld, %ld), caption \"%s\"\n", kArea.left, kArea.top, kArea.right,
                kArea.bottom, frame.m_caption);
    PumpFor(showMs);

    SendMessageA(frame.GetSafeHwnd(), zentap::g_rectOkMessage, zentap::PackCorner(kArea.left, kArea.top),
                 zentap::PackCorner(kArea.right, kArea.bottom));
    win32::unique_hbitmap grab(frame.TakeBitmap());
    BITMAP info = {};
    if (!grab || !GetObjectA(grab.get(), sizeof(info), &info)) return 1;
    std::printf("grabbed %ldx%ld pixels into %s\n", info.bmWidth, info.bmHeight, argv[1]);
    frame.DestroyWindow();
    DestroyWindow(backdrop);
    return WriteBitmapFile(grab.get(), argv[1]) ? 0 : 1;
}
