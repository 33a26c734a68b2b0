#include <gtest/gtest.h>
#include <windows.h>

#include "frame_fixture.h"
#include "frame_geometry.h"
#include "two_monitors.h"

using namespace zentap_test;

namespace {

TEST_F(FrameOnTwoMonitors, AreaOnTheLeftMonitorIsOutlinedThereAndGrabbedPixelExact) {
    MoveAndSettle(RECT{-900, 400, -850, 450});  // the first paint settles the tab width
    const RECT area = {-800, 100, -500, 300};
    MoveAndSettle(area);
    EXPECT_TRUE(SameRect(WindowRect(), RECT{-801, 85, -499, 301})) << Describe(WindowRect());
    EXPECT_TRUE(SameArea(LastArea(), area));
    ExpectOutline(Pixels::OfScreen(), area, m_frame.m_tabWidth);

    SendRectOk(area.left, area.top, area.right, area.bottom);
    ExpectGrab(300, 200, -800, 100);
    EXPECT_TRUE(IsWindowVisible(frameWnd()));
}

TEST_F(FrameOnTwoMonitors, AreaAcrossBothMonitorsIsOutlinedAndGrabbedAcrossTheSeam) {
    MoveAndSettle(RECT{-900, 400, -850, 450});
    const RECT area = {-150, 200, 250, 450};
    MoveAndSettle(area);
    EXPECT_TRUE(SameArea(LastArea(), area));
    ExpectOutline(Pixels::OfScreen(), area, m_frame.m_tabWidth);

    SendRectOk(area.left, area.top, area.right, area.bottom);
    ExpectGrab(400, 250, -150, 200);
}

TEST_F(FrameOnTwoMonitors, AreaReachingPastTheOuterEdgesOfTheVirtualScreenIsGrabbedUpToThem) {
    const struct {
        RECT chosen;
        RECT grabbed;
    } cases[] = {
        {{-1100, 50, -900, 120}, {-1024, 50, -900, 120}},  // past the left monitor's left edge
        {{-1060, -30, -1000, 20}, {-1024, 0, -1000, 20}},  // past its upper-left corner
        {{-100, -40, 60, 30}, {-100, 0, 60, 30}},          // past the top edge, across the seam
        {{900, 700, 1100, 800}, {900, 700, 1024, 768}},    // past the primary's lower-right corner
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Describe(c.chosen));
        Choose(c.chosen);
        const RECT& g = c.grabbed;
        ExpectGrab(g.right - g.left, g.bottom - g.top, g.left, g.top);
    }
    // Any process may send a choice: one reaching from past the right edge to past the left edge
    // gives the screen's width, not a picture wider than the screen.
    SendRectOk(20000, 10, -20000, 60);
    ExpectGrab(2048, 50, -1024, 10);
    const HBITMAP last = m_frame.m_bitmap.get();
    SendRectOk(1500, 10, 2500, 60);
    EXPECT_EQ(m_frame.m_bitmap.get(), last) << "an area wholly off the screen makes no picture";
}

TEST_F(FrameOnTwoMonitors, AreaInTheGapBelowTheLeftMonitorHoldsWhatTheScreenGivesThereAndTheRestExactly) {
    Choose(RECT{-300, 500, 100, 700});  // on both monitors and in the gap
    ExpectGrab(400, 200, -300, 500);
    Choose(RECT{-700, 600, -500, 700});  // wholly in the gap
    ExpectGrab(200, 100, -700, 600);
    EXPECT_TRUE(IsWindowVisible(frameWnd()));
}

TEST(ClipOnTwoMonitors, ClipToScreenClampsEachFieldToTheVirtualScreenThenOrders) {
    ASSERT_TRUE(OnTwoMonitorDisplay());
    const struct {
        RECT given;
        RECT clipped;
    } cases[] = {
        {{-2000, -20, 2000, 900}, {-1024, 0, 1024, 768}},
        {{-800, 100, -500, 300}, {-800, 100, -500, 300}},  // on the left monitor
        {{-500, 700, -900, 100}, {-900, 100, -500, 700}},  // into the gap, drawn up and left
        {{3000, 900, -3000, -50}, {-1024, 0, 1024, 768}},  // each corner past the opposite edges
        {{1500, 10, 2500, 60}, {1024, 10, 1024, 60}},      // wholly right of the screen: nothing of it
    };
    for (const auto& c : cases) {
        RECT r = c.given;
        zentap::ClipToScreen(r);
        EXPECT_TRUE(SameRect(r, c.clipped)) << Describe(c.given) << " gave " << Describe(r);
    }
}

}  // namespace
