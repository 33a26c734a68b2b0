// Captures end to end on the two-monitor display: xdotool drives the pointer, the clicks reach the
// windows of other processes, whose hooks record the choice with the signed coordinates of the
// monitor left of the primary one, and the host's frame grabs what the record says.
#include <gtest/gtest.h>
#include <windows.h>

#include "capture_scenario.h"
#include "two_monitors.h"

using namespace zentap_test;

namespace {

// On the primary monitor, away from every point below: the frame stands here when a capture starts.
constexpr POINT kRest = {600, 700};

class CaptureOnTwoMonitors : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(OnTwoMonitorDisplay());
        ASSERT_TRUE(m_pattern.shown()) << "the pattern window did not come up";
        ASSERT_TRUE(m_host.module() && m_host.exports().hookScreenShot) << "Zentap.dll with its exports";
    }
    void TearDown() override { m_host.Unhook(); }

    PatternScreen m_pattern;
    ZentapHost m_host;
    ViewerHost m_viewer;
};

TEST_F(CaptureOnTwoMonitors, SelectCaptureOnEitherMonitorAcrossTheSeamOrPastTheEdgeGivesTheOutlinedArea) {
    const struct {
        const char* what;
        bool inViewer;
        POINT first, second;
        RECT grabbed;  // the drag from 10 pixels above and left of the first click, clipped
    } cases[] = {
        {"on the left monitor", false, {-800, 110}, {-500, 300}, {-810, 100, -500, 300}},
        {"across both monitors", false, {-150, 210}, {250, 450}, {-160, 200, 250, 450}},
        {"past the virtual screen's corner", false, {-1020, 4}, {-900, 120}, {-1024, 0, -900, 120}},
        {"up and left from the primary, over the gap", false, {300, 740}, {-600, 400}, {-600, 400, 290, 730}},
        {"hosted by the viewer, on the left monitor", true, {-700, 200}, {-300, 500}, {-710, 190, -300, 500}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MoveTo(kRest);
        const CaptureResult result = c.inViewer ? ViewerSelectCapture(m_viewer, c.first, c.second)
                                                : SelectCapture(m_host, c.first, c.second);
        ASSERT_TRUE(result.chosen) << result.status;
        if (!c.inViewer) {
            EXPECT_EQ(result.doneMessages, 1);
            const zentap::CaptureRect dragged = {c.first.x - 10, c.first.y - 10, c.second.x, c.second.y};
            EXPECT_TRUE(zentap::SameRect(result.selection, dragged)) << "the record keeps the drag, unclipped";
        }
        ExpectPictureOf(result.picture, c.grabbed);
    }
}

TEST_F(CaptureOnTwoMonitors, ObjectCaptureGivesTheWindowUnderTheCtrlClickClippedOnlyToTheVirtualScreen) {
    const struct {
        const char* what;
        RECT window;
        POINT at;
        RECT grabbed;
    } cases[] = {
        {"on the left monitor", {-900, 150, -400, 450}, {-650, 300}, {-900, 150, -400, 450}},
        {"straddling both monitors", {-300, 200, 350, 520}, {100, 300}, {-300, 200, 350, 520}},
        {"past the left edge and over the gap", {-1100, 450, -700, 720}, {-900, 500}, {-1024, 450, -700, 720}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InputRecorder window(c.window);
        ASSERT_TRUE(window.shown());
        MoveTo(kRest);
        const CaptureResult result = ObjectCapture(m_host, c.at);
        ASSERT_TRUE(result.chosen) << result.status;
        EXPECT_EQ(result.doneMessages, 1);
        EXPECT_TRUE(zentap::SameRect(result.selection, zentap::FromRect(c.window))) << "the record keeps the window";
        ExpectPictureOf(result.picture, c.grabbed);
    }
}

}  // namespace
