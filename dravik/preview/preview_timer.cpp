#include "preview/preview_timer.h"

namespace dravik {

bool StartTimer(PreviewTimer& timer) {
    LARGE_INTEGER value;
    if (!QueryPerformanceFrequency(&value) || value.QuadPart == 0) {
        timer.frequency = 0;
        return false;
    }
    timer.frequency = value.QuadPart;
    QueryPerformanceCounter(&value);
    timer.start = value.QuadPart;
    return true;
}

int ElapsedMs(const PreviewTimer& timer) {
    if (timer.frequency == 0) return 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<int>(static_cast<double>(now.QuadPart - timer.start) / static_cast<double>(timer.frequency) *
                            1000.0);
}

}  // namespace dravik
