#include <gtest/gtest.h>
#include <windows.h>

#include "capture_memory.h"
#include "frame_dlg.h"
#include "resource_counts.h"
#include "screen_pixels.h"

using namespace zentap_test;
using test_support::CountResources;
using test_support::ResourceCounts;

namespace {

// One capture's worth of frame work: create, outline, paint, grab twice (the second replaces the
// first), hand the picture over on every other cycle, destroy.
void FrameCycle(int i) {
    zentap::CFrameDlg frame;
    frame.m_useType = i % 2 ? "select" : "object";
    ASSERT_TRUE(frame.Create());
    const int x = 50 + (i * 37) % 700, y = 60 + (i * 53) % 500;
    frame.MoveFrame(RECT{x + 20 + i % 200, y + 10 + i % 150, x, y});
    DispatchFor(0);
    const UINT rectOk = RegisterWindowMessageA("RezODO.SCREEN_SELECT_RECT_OK");
    SendMessageA(frame.GetSafeHwnd(), rectOk, MAKEWPARAM(x, y), MAKELPARAM(x + 40, y + 30));
    SendMessageA(frame.GetSafeHwnd(), rectOk, MAKEWPARAM(x, y), MAKELPARAM(x + 30, y + 20));
    if (i % 2) DeleteObject(frame.TakeBitmap());
    frame.DestroyWindow();
}

// Every object a cycle takes is given back: the counts must come back exactly, so a few hundred
// cycles (which run through every size the positions above take) catch a leak of any one.
TEST(FrameResources, RepeatedCreateMoveGrabDestroyCyclesLeaveNoObjectOrHandleBehind) {
    // The first cycle lets the platform set up what it keeps for the process (window classes,
    // the display connection, the mappings' handles and views).
    FrameCycle(0);
    DispatchFor(100);
    const ResourceCounts before = CountResources();
    ASSERT_GT(before.gdiObjects, 0u);
    ASSERT_GT(before.handles, 0u);

    for (int i = 1; i <= 300; ++i) {
        FrameCycle(i);
        if (HasFatalFailure()) return;
    }
    DispatchFor(100);
    const ResourceCounts after = CountResources();
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.userObjects, before.userObjects);
    EXPECT_EQ(after.handles, before.handles);
}

}  // namespace
