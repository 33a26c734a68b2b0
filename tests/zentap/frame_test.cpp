#include "frame_dlg.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "capture_peers.h"
#include "caption_font.h"
#include "frame_fixture.h"
#include "frame_geometry.h"

using namespace zentap_test;

namespace {

using FrameOutline = FrameOnPattern;

TEST_F(FrameOutline, MoveStandsTheWindowOverTheGrownRectangleAndShowsRingAndTabOnTopOfTheOtherWindow) {
    MoveAndSettle(RECT{100, 100, 200, 150});
    EXPECT_TRUE(IsWindowVisible(frameWnd()));
    const RECT window = WindowRect();
    EXPECT_TRUE(SameRect(window, RECT{99, 85, 99 + 120, 85 + 66})) << Describe(window);
    EXPECT_TRUE(SameArea(LastArea(), RECT{100, 100, 200, 150}));
    ExpectOutline(Pixels::OfScreen(), RECT{100, 100, 200, 150}, 120);
}

TEST_F(FrameOutline, RectangleDrawnUpAndLeftIsOutlinedAsItsOrderedFormAndRecordedUnordered) {
    MoveAndSettle(RECT{100, 100, 200, 150});  // the first paint settles the tab width
    MoveAndSettle(RECT{400, 300, 250, 200});
    const RECT window = WindowRect();
    EXPECT_TRUE(SameRect(window, RECT{249, 185, 401, 301})) << Describe(window);
    ExpectOutline(Pixels::OfScreen(), RECT{250, 200, 400, 300}, m_frame.m_tabWidth);
    EXPECT_TRUE(SameArea(LastArea(), RECT{400, 300, 250, 200}));
}

TEST_F(FrameOutline, RectangleNarrowerThanTheTabGetsATabWideWindowButKeepsItsOwnOutline) {
    MoveAndSettle(RECT{500, 400, 530, 460});
    const RECT window = WindowRect();
    EXPECT_TRUE(SameRect(window, RECT{499, 385, 499 + 120, 461})) << Describe(window);
    ExpectOutline(Pixels::OfScreen(), RECT{500, 400, 530, 460}, 120);
}

TEST_F(FrameOutline, NarrowRectangleChangingOnlyItsWidthIsOutlinedAfresh) {
    MoveAndSettle(RECT{100, 100, 300, 300});  // the first paint settles the tab width
    MoveAndSettle(RECT{500, 400, 520, 460});
    const RECT before = WindowRect();
    MoveAndSettle(RECT{500, 400, 550, 460});
    const RECT after = WindowRect();
    ASSERT_TRUE(SameRect(before, after)) << "the window keeps its size: " << Describe(before) << Describe(after);
    ExpectOutline(Pixels::OfScreen(), RECT{500, 400, 550, 460}, m_frame.m_tabWidth);
}

TEST_F(FrameOutline, TabTakesTheCaptionWidthPlusTenAtTheFirstPaintAndTheRegionAtTheNextResize) {
    EXPECT_EQ(m_frame.m_tabWidth, 120) << "before any paint";
    MoveAndSettle(RECT{100, 100, 200, 150});

    SIZE caption = {};
    {
        win32::unique_window_dc screen(nullptr);
        win32::scoped_select font(screen.get(), zentap::g_font.get());
        ASSERT_TRUE(GetTextExtentPoint32A(screen.get(), "zentap( ctrl-click )", 20, &caption));
    }
    const int tab = static_cast<int>(caption.cx) + 10;
    EXPECT_EQ(m_frame.m_tabWidth, tab);

    MoveAndSettle(RECT{600, 500, 620, 520});
    const RECT window = WindowRect();
    EXPECT_EQ(window.right - window.left, tab);
    const Pixels screen = Pixels::OfScreen();
    ExpectOutline(screen, RECT{600, 500, 620, 520}, tab);

    // The caption starts 5 pixels in and ends before the last 5 columns of the tab.
    int white = 0;
    PixelCheck margins(screen, "tab margins");
    for (int y = 485; y < 499; ++y)
        for (int x = 599; x < 599 + tab; ++x) {
            if (!IsWhite(screen.at(x, y))) continue;
            ++white;
            margins.Expect(x, y, [&](COLORREF) { return x >= 599 + 5 && x < 599 + tab - 5; }, "inside the margins");
        }
    EXPECT_GT(white, 20) << "the caption is drawn in white";
}

TEST_F(FrameOutline, HideMessageFromAnotherProcessKeepsTheFrameHiddenWhileMovesStillRecordTheArea) {
    MoveAndSettle(RECT{100, 100, 200, 150});
    const std::string command = "message_sender.exe " + std::to_string(reinterpret_cast<ULONG_PTR>(frameWnd())) +
                                " RezODO.SCREEN_SELECT_RECT_HIDE 0 0";
    ASSERT_EQ(test_support::RunProcess(command), 0u);
    EXPECT_TRUE(m_frame.m_hidden);

    MoveAndSettle(RECT{300, 300, 400, 380});
    EXPECT_FALSE(IsWindowVisible(frameWnd()));
    EXPECT_TRUE(SameArea(LastArea(), RECT{300, 300, 400, 380}));
    MoveAndSettle(RECT{620, 410, 500, 350});
    EXPECT_FALSE(IsWindowVisible(frameWnd()));
    EXPECT_TRUE(SameArea(LastArea(), RECT{620, 410, 500, 350}));

    const Pixels screen = Pixels::OfScreen();
    PixelCheck nothing(screen, "no frame anywhere");
    for (int y = 80; y < 420; ++y)
        for (int x = 90; x < 630; ++x) nothing.ExpectPattern(x, y);
}

TEST_F(FrameOutline, MoveWritesTheLastAreaEvenWhileAnotherProcessHoldsTheRecordLock) {
    MoveAndSettle(RECT{100, 100, 200, 150});
    RecordLockHolder lock;
    ASSERT_TRUE(lock.holding());
    m_frame.MoveFrame(RECT{300, 200, 400, 260});
    zentap::CaptureRecord record = {};
    zentap::LastArea atRelease = {};
    ASSERT_TRUE(lock.Release(record, atRelease));
    EXPECT_TRUE(SameArea(atRelease, RECT{300, 200, 400, 260})) << "written before the holder let go";
}

TEST_F(FrameOutline, EnterEscapeCloseAndTheUserMessageLeaveTheFrameAsItIs) {
    MoveAndSettle(RECT{100, 100, 200, 150});
    SendMessageA(frameWnd(), WM_COMMAND, IDOK, 0);
    SendMessageA(frameWnd(), WM_COMMAND, IDCANCEL, 0);
    SendMessageA(frameWnd(), WM_CLOSE, 0, 0);
    SendMessageA(frameWnd(), Registered("RezODO.SCREEN_SELECT_USER_MSG"), 1, 0);
    DispatchFor(200);
    ASSERT_TRUE(IsWindow(frameWnd()));
    EXPECT_TRUE(IsWindowVisible(frameWnd()));
    EXPECT_FALSE(m_frame.m_bitmap);
    EXPECT_TRUE(SameArea(LastArea(), RECT{100, 100, 200, 150}));
    ExpectOutline(Pixels::OfScreen(), RECT{100, 100, 200, 150}, 120);
}

TEST(FrameCaption, ObjectCaptureAsksForCtrlClickAndEveryOtherUseForClickMoveClick) {
    const struct {
        const char* useType;
        const char* caption;
    } cases[] = {{"object", "zentap( ctrl-click )"},
                 {"select", "zentap( click + move + click )"},
                 {"Object", "zentap( click + move + click )"},
                 {"", "zentap( click + move + click )"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.useType);
        zentap::CFrameDlg frame;
        frame.m_useType = c.useType;
        EXPECT_STREQ(frame.m_caption, "") << "chosen with the window";
        ASSERT_TRUE(frame.Create());
        EXPECT_STREQ(frame.m_caption, c.caption);
    }
}

TEST(FrameCaption, FontIsMadeWithTheWindowAsGulimTwelvePixelsHighAndGoesWithIt) {
    zentap::CFrameDlg frame;
    ASSERT_TRUE(frame.Create());
    const HFONT font = zentap::g_font.get();
    ASSERT_NE(font, nullptr);
    LOGFONTA description = {};
    ASSERT_EQ(GetObjectA(font, sizeof(description), &description), static_cast<int>(sizeof(description)));
    EXPECT_EQ(description.lfHeight, 12);
    EXPECT_EQ(description.lfWidth, 6);
    EXPECT_EQ(description.lfEscapement, 0);
    EXPECT_EQ(description.lfOrientation, 0);
    EXPECT_EQ(description.lfWeight, 0);
    EXPECT_EQ(description.lfItalic, 0);
    EXPECT_EQ(description.lfUnderline, 0);
    EXPECT_EQ(description.lfStrikeOut, 0);
    EXPECT_EQ(description.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(description.lfOutPrecision, 0);
    EXPECT_EQ(description.lfClipPrecision, 0);
    EXPECT_EQ(description.lfQuality, 0);
    EXPECT_EQ(description.lfPitchAndFamily, 0);
    EXPECT_EQ(std::memcmp(description.lfFaceName, "\xB1\xBC\xB8\xB2", 5), 0) << "Gulim in code page 949";

    frame.DestroyWindow();
    EXPECT_FALSE(IsWindow(frame.GetSafeHwnd()));
    EXPECT_FALSE(zentap::g_font);
    EXPECT_EQ(GetObjectType(font), 0u) << "deleted with the window";
}

TEST(FrameWindow, WindowIsAHiddenPopupFromTemplate23000AndOwnsNoParent) {
    zentap::CFrameDlg frame;
    ASSERT_TRUE(frame.Create());
    const HWND wnd = frame.GetSafeHwnd();
    EXPECT_FALSE(IsWindowVisible(wnd));
    EXPECT_EQ(GetParent(wnd), nullptr);
    const LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_SYSMENU));
    char title[16] = "x";
    EXPECT_EQ(GetWindowTextA(wnd, title, sizeof(title)), 0);
    EXPECT_EQ(frame.m_tabHeight, 14);
}

TEST(FrameWindow, DeletingTheObjectDestroysItsWindow) {
    HWND wnd = nullptr;
    {
        zentap::CFrameDlg frame;
        ASSERT_TRUE(frame.Create());
        wnd = frame.GetSafeHwnd();
        ASSERT_TRUE(IsWindow(wnd));
    }
    EXPECT_FALSE(IsWindow(wnd));
}

TEST(FrameGeometry, NormalizeRectOrdersEachPairOfCornersOnItsOwn) {
    RECT r = {200, 150, 100, 100};
    zentap::NormalizeRect(r);
    EXPECT_TRUE(SameRect(r, RECT{100, 100, 200, 150})) << Describe(r);
    r = {10, 90, 20, 5};
    zentap::NormalizeRect(r);
    EXPECT_TRUE(SameRect(r, RECT{10, 5, 20, 90})) << Describe(r);
}

TEST(FrameGeometry, ClipToScreenClampsEachCornerToThePrimaryScreenThenOrders) {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    RECT r = {-10, -20, 2000, 900};
    zentap::ClipToScreen(r);
    EXPECT_TRUE(SameRect(r, RECT{0, 0, 1024, 768})) << Describe(r);
    r = {1100, 800, 1000, 700};  // drawn up and left from past the corner: still only up to the edges
    zentap::ClipToScreen(r);
    EXPECT_TRUE(SameRect(r, RECT{1000, 700, 1024, 768})) << Describe(r);
    r = {300, 200, -40, 100};
    zentap::ClipToScreen(r);
    EXPECT_TRUE(SameRect(r, RECT{0, 100, 300, 200})) << Describe(r);
}

}  // namespace
