// Reading pixels back: the whole screen as the display shows it, and the content of a bitmap.
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

class Pixels {
public:
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return m_bits.empty(); }
    COLORREF at(int x, int y) const {
        const DWORD p = m_bits[static_cast<size_t>(y) * m_width + x];
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

    // What the primary screen shows now.
    static Pixels OfScreen() {
        win32::unique_window_dc screen(nullptr);
        const int width = GetDeviceCaps(screen.get(), HORZRES);
        const int height = GetDeviceCaps(screen.get(), VERTRES);
        win32::unique_mem_dc memory(CreateCompatibleDC(screen.get()));
        win32::unique_hbitmap copy(CreateCompatibleBitmap(screen.get(), width, height));
        {
            win32::scoped_select select(memory.get(), copy.get());
            BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY);
        }
        return OfBitmap(copy.get());
    }

private:
    std::vector<DWORD> m_bits;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace zentap_test
