#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "frame_dlg.h"
#include "frame_fixture.h"

using namespace zentap_test;

namespace {

using FrameGrab = FrameOnPattern;

TEST_F(FrameGrab, ChoiceCopiesExactlyTheScreenPixelsOfAnotherProcesssWindowAndShowsTheFrameAgain) {
    Choose(RECT{300, 200, 420, 290});
    ExpectGrab(120, 90, 300, 200);
    EXPECT_TRUE(IsWindowVisible(frameWnd()));
}

TEST_F(FrameGrab, ChoiceSentFromAnotherProcessIsGrabbedBeforeTheSenderGoesOn) {
    MoveAndSettle(RECT{40, 60, 90, 100});
    const std::string command = "message_sender.exe " + std::to_string(reinterpret_cast<ULONG_PTR>(frameWnd())) +
                                " RezODO.SCREEN_SELECT_RECT_OK " + std::to_string(Corner(40, 60)) + " " +
                                std::to_string(Corner(90, 100));
    ASSERT_EQ(test_support::RunProcess(command), 0u);
    ExpectGrab(50, 40, 40, 60);
}

TEST_F(FrameGrab, ChoiceReachingPastTheRightAndBottomEdgesStopsAtThem) {
    Choose(RECT{1000, 740, 1100, 800});
    ExpectGrab(24, 28, 1000, 740);
}

TEST_F(FrameGrab, NegativeCornersStopAtTheScreenOrigin) {
    Choose(RECT{-20, -30, 40, 50});
    ExpectGrab(40, 50, 0, 0);
}

TEST_F(FrameGrab, CornersGivenUpAndLeftGrabTheOrderedArea) {
    Choose(RECT{420, 290, 300, 200});
    ExpectGrab(120, 90, 300, 200);
}

TEST_F(FrameGrab, OnePixelChoiceMakesNoBitmapAndLeavesTheFrameHidden) {
    Choose(RECT{300, 200, 301, 201});
    EXPECT_FALSE(m_frame.m_bitmap);
    EXPECT_FALSE(IsWindowVisible(frameWnd()));
}

TEST_F(FrameGrab, OnePixelWideButTallerChoiceIsGrabbed) {
    Choose(RECT{300, 200, 301, 206});
    ExpectGrab(1, 6, 300, 200);
    EXPECT_TRUE(IsWindowVisible(frameWnd()));
}

TEST_F(FrameGrab, CoordinatesTravelAsSixteenBitsAndWrap) {
    MoveAndSettle(RECT{300, 200, 340, 230});
    SendRectOk(300 + 65536, 200 - 65536, 340 + 3 * 65536, 230 + 65536);
    ExpectGrab(40, 30, 300, 200);

    SendRectOk(40000, 10, 50, 60);  // 40000 reads back as -25536, then stops at 0
    ExpectGrab(50, 50, 0, 10);
}

TEST_F(FrameGrab, SecondChoiceReplacesTheFirstPictureAndDeletesIt) {
    Choose(RECT{300, 200, 420, 290});
    const HBITMAP first = m_frame.m_bitmap.get();
    ASSERT_NE(first, nullptr);
    Choose(RECT{10, 20, 30, 60});
    EXPECT_EQ(GetObjectType(first), 0u) << "the first picture is gone";
    ExpectGrab(20, 40, 10, 20);
}

TEST_F(FrameGrab, TakenPictureOutlivesTheFrame) {
    Choose(RECT{300, 200, 420, 290});
    const HBITMAP taken = m_frame.TakeBitmap();
    ASSERT_NE(taken, nullptr);
    EXPECT_FALSE(m_frame.m_bitmap);
    m_frame.DestroyWindow();
    const Pixels picture = Pixels::OfBitmap(taken);
    ASSERT_EQ(picture.width(), 120);
    ExpectPatternFrom(picture, 300, 200);
    DeleteObject(taken);
}

}  // namespace
