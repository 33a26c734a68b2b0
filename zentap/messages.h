// The window messages that reach the frame window from any process. Their numbers come from the
// platform's message registry, so they agree in every process that loads the module.
#pragma once

#include <windows.h>

#include <cstdint>

namespace zentap {

constexpr char kRectOkMessageName[] = "RezODO.SCREEN_SELECT_RECT_OK";
constexpr char kRectHideMessageName[] = "RezODO.SCREEN_SELECT_RECT_HIDE";
constexpr char kUserMessageName[] = "RezODO.SCREEN_SELECT_USER_MSG";

// Obtained while the module starts; 0 if the registry refused a name.
extern const UINT g_rectOkMessage;
extern const UINT g_rectHideMessage;
extern const UINT g_userMessage;

// A corner as the RECT_OK message carries it: x in the low and y in the high 16 bits, each cut to
// its low 16 bits, so only -32768 to 32767 survive.
inline std::uint32_t PackCorner(std::int32_t x, std::int32_t y) {
    return (static_cast<std::uint32_t>(x) & 0xFFFFu) | ((static_cast<std::uint32_t>(y) & 0xFFFFu) << 16);
}

inline POINT UnpackCorner(std::uintptr_t packed) {
    return POINT{static_cast<std::int16_t>(packed & 0xFFFFu), static_cast<std::int16_t>((packed >> 16) & 0xFFFFu)};
}

}  // namespace zentap
