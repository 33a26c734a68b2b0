// The texts hook_screen_shot and unhook_screen_shot answer with. Hosts compare them; they stay
// valid while the module is loaded.
#pragma once

#include "exports.h"

namespace zentap {

constexpr char kInvalidUseType[] = "invalid usetype";
constexpr char kDoingTheWorking[] = "doing the working";
constexpr char kAlreadyRunning[] = "already runing";
constexpr char kMouseHookFailed[] = "mouse hook fair";
constexpr char kKeyHookFailed[] = "key hook fair";
constexpr char kFrameExists[] = "alread create the framedlg";
// A capture that cannot run is refused rather than reported as started.
constexpr char kFrameWindowFailed[] = "cannot create the frame window";
constexpr char kTimerFailed[] = "cannot start the tracking timer";
constexpr char kOutOfMemory[] = "out of memory";
constexpr char kNoNotifyWindow[] = "invalid notify window";
constexpr char kRecordUnavailable[] = "cannot open the capture record";
constexpr char kHostTokenUnavailable[] = "cannot take the capture host token";

}  // namespace zentap
