// Timing for the loader's trace lines only.
#pragma once

#include <windows.h>

namespace dravik {

struct PreviewTimer {
    LONGLONG frequency = 0;  // counts per second; 0 when the platform has no high-resolution counter
    LONGLONG start = 0;
};

bool StartTimer(PreviewTimer& timer);
int ElapsedMs(const PreviewTimer& timer);

}  // namespace dravik
