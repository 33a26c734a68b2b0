#include "frame_geometry.h"

#include <cstdint>
#include <limits>
#include <utility>

namespace zentap {

namespace {

// A closed five-point polygon filled with the winding rule.
win32::unique_hrgn RectanglePolygon(LONG left, LONG top, LONG right, LONG bottom) {
    const POINT corners[5] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
    return win32::unique_hrgn(CreatePolygonRgn(corners, 5, WINDING));
}

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT monitor, LPARAM bounds) {
    RECT* united = reinterpret_cast<RECT*>(bounds);
    UnionRect(united, united, monitor);
    return TRUE;
}

// The virtual screen, the bounding rectangle of every monitor, from one enumeration: each of the
// four virtual-screen metrics is a trip to the window system of its own on some platforms.
RECT VirtualScreen() {
    RECT bounds = {};
    if (EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&bounds)) && !IsRectEmpty(&bounds))
        return bounds;
    const LONG left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const LONG top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

LONG Within(LONG value, LONG low, LONG high) { return value < low ? low : value > high ? high : value; }

}  // namespace

std::int32_t SaturatingMinus(std::int32_t value, std::int32_t offset) {
    using Limits = std::numeric_limits<std::int32_t>;
    const std::int64_t difference = static_cast<std::int64_t>(value) - offset;
    if (difference < Limits::min()) return Limits::min();
    if (difference > Limits::max()) return Limits::max();
    return static_cast<std::int32_t>(difference);
}

void NormalizeRect(RECT& r) {
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
}

void ClipToScreen(RECT& r) {
    const RECT screen = VirtualScreen();
    // Both ends: a corner past the opposite edge (a choice any process may send) must not leave an
    // area, and a bitmap, larger than the screen.
    r.left = Within(r.left, screen.left, screen.right);
    r.top = Within(r.top, screen.top, screen.bottom);
    r.right = Within(r.right, screen.left, screen.right);
    r.bottom = Within(r.bottom, screen.top, screen.bottom);
    NormalizeRect(r);
}

win32::unique_hrgn BuildFrameRegion(const RECT& body, int tabWidth, int tabHeight) {
    const LONG l = body.left, t = body.top, r = body.right, b = body.bottom;
    win32::unique_hrgn region = RectanglePolygon(l, t + tabHeight, r, b);
    win32::unique_hrgn tab = RectanglePolygon(l, t, l + tabWidth, t + tabHeight);
    win32::unique_hrgn inner = RectanglePolygon(l + 1, t + 1 + tabHeight, r - 1, b - 1);
    CombineRgn(region.get(), region.get(), tab.get(), RGN_OR);
    CombineRgn(region.get(), region.get(), inner.get(), RGN_DIFF);
    return region;
}

}  // namespace zentap
