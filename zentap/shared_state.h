// The 16 bytes the platform shares between every process that has the module loaded, in the
// module's own ".Zentapx" section: it counts those processes and names the installed hooks.
#pragma once

#include <windows.h>

#include <cstdint>

namespace zentap {

struct SharedState {
    LONG processCount;  // 32-bit on every Windows target; the interlocked calls take it
    std::int32_t reserved;
    std::uint32_t mouseHook;
    std::uint32_t keyboardHook;
};

// One per machine session: all zero when the first process loads the module.
extern SharedState g_sharedState;

}  // namespace zentap
