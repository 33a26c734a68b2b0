#include <gtest/gtest.h>
#include <windows.h>

#include "frame_fixture.h"

using namespace zentap_test;

namespace {

using FrameStacking = FrameOnPattern;

TEST_F(FrameStacking, FrameComesBackAboveWindowsShownAfterItAtEachMove) {
    MoveAndSettle(RECT{100, 100, 200, 150});
    PatternScreen later;
    ASSERT_TRUE(later.shown());
    MoveAndSettle(RECT{300, 250, 420, 330});
    ExpectOutline(Pixels::OfScreen(), RECT{300, 250, 420, 330}, m_frame.m_tabWidth);

    PatternScreen evenLater;
    ASSERT_TRUE(evenLater.shown());
    MoveAndSettle(RECT{300, 250, 420, 330});
    ExpectOutline(Pixels::OfScreen(), RECT{300, 250, 420, 330}, m_frame.m_tabWidth);
}

}  // namespace
