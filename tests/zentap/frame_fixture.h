// A frame in front of a known picture: another process covers the screen with the pattern window
// first, then the case's frame is created on top of it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "capture_memory.h"
#include "test_support.h"
#include "frame_dlg.h"
#include "screen_pixels.h"
#include "support/screen_pattern.h"

namespace zentap_test {

constexpr COLORREF kRed = RGB(255, 50, 50);

// Red, white, or the blend of both that smoothed text edges give.
inline bool IsTabPixel(COLORREF c) {
    return GetRValue(c) == 255 && GetGValue(c) == GetBValue(c) && GetGValue(c) >= 50;
}

inline bool IsWhite(COLORREF c) { return c == RGB(255, 255, 255); }

inline bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline bool SameArea(const zentap::LastArea& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// The pattern window of a second process, shown for the life of the object. The process is ended
// rather than asked to quit: Wine takes seconds to end a process that closes its window itself.
class PatternScreen {
public:
    PatternScreen() : m_peer(test_support::InBin("pattern_window.exe " + m_ready.name() + " " + m_quit.name())) {
        m_shown = m_peer.started() && m_ready.Wait();
    }
    bool shown() const { return m_shown; }

private:
    test_support::NamedEvent m_ready;
    test_support::NamedEvent m_quit;
    test_support::ChildProcess m_peer;
    bool m_shown = false;
};

// The corner packing of the RECT_OK message, done here independently of the module.
inline WPARAM Corner(long long x, long long y) {
    return static_cast<WPARAM>((static_cast<unsigned long long>(x) & 0xFFFF) |
                               ((static_cast<unsigned long long>(y) & 0xFFFF) << 16));
}

inline UINT Registered(const char* name) { return RegisterWindowMessageA(name); }

class FrameOnPattern : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pattern.shown()) << "the pattern window did not come up";
        m_frame.m_useType = "object";
        ASSERT_TRUE(m_frame.Create());
    }

    HWND frameWnd() const { return m_frame.GetSafeHwnd(); }

    // Moves the frame as the tracking timer does and lets the screen catch up.
    void MoveAndSettle(RECT r) {
        m_frame.MoveFrame(r);
        DispatchFor(300);
    }

    RECT WindowRect() const {
        RECT r = {};
        GetWindowRect(frameWnd(), &r);
        return r;
    }

    zentap::LastArea LastArea() const {
        zentap::LastArea area = {};
        EXPECT_TRUE(zentap::ReadLastArea(area));
        return area;
    }

    // What the tracking timer does at a choice: the frame outlines r, then is told to grab it.
    void Choose(const RECT& r) {
        MoveAndSettle(r);
        SendRectOk(r.left, r.top, r.right, r.bottom);
    }

    void SendRectOk(long long left, long long top, long long right, long long bottom) {
        SendMessageA(frameWnd(), Registered("RezODO.SCREEN_SELECT_RECT_OK"), Corner(left, top),
                     static_cast<LPARAM>(Corner(right, bottom)));
    }

    Pixels Picture() const { return Pixels::OfBitmap(m_frame.m_bitmap.get()); }

    // The frame holds a width x height picture of the pattern from (left, top) on.
    void ExpectGrab(int width, int height, int left, int top) const;

    PatternScreen m_pattern;
    zentap::CFrameDlg m_frame;
};

// Collects mismatching pixels of one screen check and reports the first few.
class PixelCheck {
public:
    PixelCheck(const Pixels& pixels, const char* what) : m_pixels(pixels), m_what(what) {}
    ~PixelCheck() {
        if (m_mismatches) ADD_FAILURE() << m_what << ": " << m_mismatches << " pixels differ, first " << m_first;
    }
    template <typename Predicate>
    void Expect(int x, int y, Predicate ok, const char* expected) {
        if (!m_pixels.contains(x, y)) return;
        const COLORREF c = m_pixels.at(x, y);
        if (ok(c)) return;
        if (m_mismatches++ < 4) {
            char text[120];
            wsprintfA(text, "(%d,%d)=#%02X%02X%02X not %s; ", x, y, GetRValue(c), GetGValue(c), GetBValue(c),
                      expected);
            m_first += text;
        }
    }
    void ExpectRed(int x, int y) {
        Expect(x, y, [](COLORREF c) { return c == kRed; }, "red");
    }
    void ExpectPattern(int x, int y) {
        const COLORREF want = test_support::PatternColour(x, y);
        Expect(x, y, [want](COLORREF c) { return c == want; }, "the pattern");
    }
    void ExpectTab(int x, int y) { Expect(x, y, IsTabPixel, "red or white"); }

private:
    const Pixels& m_pixels;
    const char* m_what;
    int m_mismatches = 0;
    std::string m_first;
};

// The picture holds the pattern of the screen area whose top-left corner is (left, top), wherever
// that area lies on a monitor; what the screen gives in a gap between monitors is not looked at.
inline void ExpectPatternFrom(const Pixels& picture, int left, int top) {
    const std::vector<RECT> monitors = Monitors();
    PixelCheck check(picture, "grabbed picture");
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const POINT onScreen = {left + x, top + y};
            if (!OnAMonitor(monitors, onScreen)) continue;
            const COLORREF want = test_support::PatternColour(onScreen.x, onScreen.y);
            check.Expect(x, y, [want](COLORREF c) { return c == want; }, "the pattern");
        }
}

// The picture is as large as the screen area and holds its pattern.
inline void ExpectPictureOf(const Pixels& picture, const RECT& area) {
    ASSERT_EQ(picture.width(), area.right - area.left);
    ASSERT_EQ(picture.height(), area.bottom - area.top);
    ExpectPatternFrom(picture, area.left, area.top);
}

inline void FrameOnPattern::ExpectGrab(int width, int height, int left, int top) const {
    ExpectPictureOf(Picture(), RECT{left, top, left + width, top + height});
}

// What the screen must show around the ordered rectangle r when the frame outlines it with a tab
// of tabWidth pixels: a red ring one pixel outside r, r's inside untouched, the tab in the 14 rows
// above the ring's left end, and the pattern everywhere beside them.
inline void ExpectOutline(const Pixels& screen, const RECT& r, int tabWidth) {
    const int ringLeft = r.left - 1, ringTop = r.top - 1, ringRight = r.right, ringBottom = r.bottom;
    const int tabTop = ringTop - 14, tabRight = ringLeft + tabWidth;  // tabRight: first column past the tab
    {
        PixelCheck ring(screen, "ring");
        for (int x = ringLeft; x <= ringRight; ++x) {
            ring.ExpectRed(x, ringTop);
            ring.ExpectRed(x, ringBottom);
        }
        for (int y = ringTop; y <= ringBottom; ++y) {
            ring.ExpectRed(ringLeft, y);
            ring.ExpectRed(ringRight, y);
        }
    }
    {
        PixelCheck inside(screen, "inside the ring");
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) inside.ExpectPattern(x, y);
    }
    {
        PixelCheck tab(screen, "tab");
        for (int y = tabTop; y < ringTop; ++y)
            for (int x = ringLeft; x < tabRight; ++x) tab.ExpectTab(x, y);
        // Rows above the text cell and columns before the text start are plain red.
        for (int x = ringLeft; x < tabRight; ++x) {
            tab.ExpectRed(x, tabTop);
            tab.ExpectRed(x, tabTop + 1);
        }
        for (int y = tabTop; y < ringTop; ++y)
            for (int x = ringLeft; x < ringLeft + 5; ++x) tab.ExpectRed(x, y);
    }
    {
        PixelCheck beside(screen, "beside the frame");
        const int right = ringRight > tabRight ? ringRight : tabRight;
        for (int x = ringLeft - 1; x <= right + 1; ++x) {
            beside.ExpectPattern(x, tabTop - 1);
            beside.ExpectPattern(x, ringBottom + 1);
        }
        for (int y = tabTop; y <= ringBottom; ++y) beside.ExpectPattern(ringLeft - 1, y);
        for (int y = tabTop; y < ringTop; ++y)
            for (int x = tabRight; x <= right + 1; ++x) beside.ExpectPattern(x, y);
        for (int y = ringTop; y <= ringBottom; ++y)
            for (int x = ringRight + 1; x <= right + 1; ++x) beside.ExpectPattern(x, y);
    }
}

}  // namespace zentap_test
