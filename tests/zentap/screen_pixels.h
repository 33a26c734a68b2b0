// Reading pixels back: the whole virtual screen as the display shows it, and the content of a
// bitmap.
#pragma once

#include <windows.h>

#include <vector>

#include "win32/unique_handle.h"

namespace zentap_test {

// Handles this thread's pending messages for a while, so that windows paint and the display
// catches up.
inline void DispatchFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

inline BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT r, LPARAM list) {
    reinterpret_cast<std::vector<RECT>*>(list)->push_back(*r);
    return TRUE;
}

// The rectangles of the monitors, in screen coordinates.
inline std::vector<RECT> Monitors() {
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

inline bool OnAMonitor(const std::vector<RECT>& monitors, POINT p) {
    for (const RECT& m : monitors)
        if (PtInRect(&m, p)) return true;
    return false;
}

// Pixels addressed by the coordinates they have: screen coordinates for the screen (negative on a
// monitor left of or above the primary one), bitmap coordinates from (0, 0) for a bitmap.
class Pixels {
public:
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return m_bits.empty(); }
    bool contains(int x, int y) const {
        return x >= m_left && y >= m_top && x < m_left + m_width && y < m_top + m_height;
    }
    COLORREF at(int x, int y) const {
        const DWORD p = m_bits[static_cast<size_t>(y - m_top) * m_width + (x - m_left)];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);  // DIB pixels are stored B, G, R
    }

    // Reads a bitmap that no device context has selected.
    static Pixels OfBitmap(HBITMAP bitmap) {
        Pixels pixels;
        BITMAP info = {};
        if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info)) return pixels;
        BITMAPINFO request = {};
        request.bmiHeader.biSize = sizeof(request.bmiHeader);
        request.bmiHeader.biWidth = info.bmWidth;
        request.bmiHeader.biHeight = -info.bmHeight;  // top-down rows
        request.bmiHeader.biPlanes = 1;
        request.bmiHeader.biBitCount = 32;
        request.bmiHeader.biCompression = BI_RGB;
        pixels.m_bits.resize(static_cast<size_t>(info.bmWidth) * info.bmHeight);
        win32::unique_window_dc screen(nullptr);
        if (GetDIBits(screen.get(), bitmap, 0, info.bmHeight, pixels.m_bits.data(), &request, DIB_RGB_COLORS) !=
            info.bmHeight) {
            pixels.m_bits.clear();
            return pixels;
        }
        pixels.m_width = info.bmWidth;
        pixels.m_height = info.bmHeight;
        return pixels;
    }

    // What the virtual screen, every monitor, shows now; with one monitor the primary screen.
    static Pixels OfScreen() {
        const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        win32::unique_window_dc screen(nullptr);
        win32::unique_mem_dc memory(CreateCompatibleDC(screen.get()));
        win32::unique_hbitmap copy(CreateCompatibleBitmap(screen.get(), width, height));
        {
            win32::scoped_select select(memory.get(), copy.get());
            BitBlt(memory.get(), 0, 0, width, height, screen.get(), left, top, SRCCOPY);
        }
        Pixels pixels = OfBitmap(copy.get());
        pixels.m_left = left;
        pixels.m_top = top;
        return pixels;
    }

private:
    std::vector<DWORD> m_bits;
    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace zentap_test
