// What the hook probe notes about each call, in a block that 32-bit and 64-bit processes share.
#pragma once

#include <windows.h>

#include <cstdint>

namespace test_support {

constexpr char kHookProbeNotesName[] = "lumorex hook probe";

struct HookProbeNotes {
    static constexpr LONG kSlots = 16;
    struct Call {
        std::uint32_t process;
        std::uint32_t thread;
        std::uint32_t bits;
    };
    LONG count;
    Call calls[kSlots];
};

}  // namespace test_support
