// The two-monitor display that scripts/wine-env.sh brings up for the cases marked TWO_MONITORS:
// the primary monitor at the origin and a shorter one left of it, at negative x. Below the left
// monitor the virtual screen (-1024, 0)-(1024, 768) has a gap that no monitor shows.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "frame_fixture.h"
#include "screen_pixels.h"

namespace zentap_test {

constexpr RECT kPrimaryMonitor = {0, 0, 1024, 768};
constexpr RECT kLeftMonitor = {-1024, 0, 0, 576};

// Passes on the two-monitor display; otherwise says what the display shows instead.
inline ::testing::AssertionResult OnTwoMonitorDisplay() {
    const std::vector<RECT> monitors = Monitors();
    if (monitors.size() == 2 && (SameRect(monitors[0], kPrimaryMonitor) || SameRect(monitors[1], kPrimaryMonitor)) &&
        (SameRect(monitors[0], kLeftMonitor) || SameRect(monitors[1], kLeftMonitor)))
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "the display shows";
    for (const RECT& m : monitors) failure << " " << Describe(m);
    return failure << "; these cases run on the two-monitor display (scripts/wine-env.sh: lumorex_monitors_up)";
}

// The frame in front of the pattern window, which covers both monitors.
class FrameOnTwoMonitors : public FrameOnPattern {
protected:
    void SetUp() override {
        ASSERT_TRUE(OnTwoMonitorDisplay());
        FrameOnPattern::SetUp();
    }
};

}  // namespace zentap_test
