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

// A hook handle as the section holds it, widened with its sign as the system widens 32-bit handles.
inline HHOOK AsHook(std::uint32_t value) { return static_cast<HHOOK>(LongToHandle(static_cast<LONG>(value))); }

// Clears a hook field of the section only while it still names `hook`: by then another host may
// have put its own there.
inline void ClearHookField(std::uint32_t& field, HHOOK hook) {
    InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(&field), 0, static_cast<LONG>(HandleToULong(hook)));
}

}  // namespace zentap
