#include "capture_session.h"

#include <cstring>

#include "capture_locks.h"
#include "capture_module.h"
#include "hook_procs.h"
#include "shared_state.h"
#include "status_texts.h"
#include "track_timer.h"

namespace zentap {

CaptureRecord g_record = {};
std::unique_ptr<CFrameDlg> g_frame;
UINT_PTR g_timerId = 0;
unsigned g_captureSerial = 0;

namespace {

constexpr DWORD kSettleMs = 100;  // between showing the frame and starting the timer
constexpr char kGreeting[] = "nice meet to you.";

bool IsUseType(const char* useType) {
    return useType && (std::strcmp(useType, kModeSelect) == 0 || std::strcmp(useType, kModeObject) == 0);
}

HHOOK AsHook(std::uint32_t value) { return static_cast<HHOOK>(ULongToHandle(value)); }

std::uint32_t Install(int hookType, HOOKPROC procedure) {
    return HandleToULong(SetWindowsHookExA(hookType, procedure, g_hInstance, 0));
}

void RemoveHook(std::uint32_t& field) {
    if (!field) return;
    UnhookWindowsHookEx(AsHook(field));
    field = 0;
}

// Takes the host token, or tells why no capture may start. Hooks that the section names while the
// token was free belong to a host that ended without unhooking; the system removed them with its
// thread, so only their handles are forgotten (another process may own those numbers by now).
const char* ClaimTheCapture() {
    if (HoldsHostToken()) return g_sharedState.mouseHook ? kAlreadyRunning : nullptr;
    switch (ClaimHostToken()) {
    case HostClaim::HeldElsewhere:
        return kAlreadyRunning;
    case HostClaim::Claimed:
        g_sharedState.mouseHook = 0;
        g_sharedState.keyboardHook = 0;
        return nullptr;
    case HostClaim::Unavailable:
        break;
    }
    return g_sharedState.mouseHook ? kAlreadyRunning : nullptr;
}

// Publishes the host's fields of a starting capture; the fields the host does not set keep what
// the shared record holds.
void PublishStart() {
    RecordCycle cycle;
    if (!cycle) {
        WriteCaptureRecord(g_record);
        return;
    }
    CaptureRecord& shared = cycle.record();
    shared.notifyWnd = g_record.notifyWnd;
    shared.doneMsg = g_record.doneMsg;
    shared.cancelMsg = g_record.cancelMsg;
    std::memcpy(shared.mode, g_record.mode, sizeof(shared.mode));
    shared.phase = g_record.phase;
    shared.frameWnd = g_record.frameWnd;
    shared.lastFrameRect = g_record.lastFrameRect;
    cycle.Commit();
    g_record = shared;
}

// A refusal after the hooks may have been installed: nothing of this call is left behind.
const char* Refuse(const char* text) {
    UnhookScreenShot();
    return text;
}

}  // namespace

const char* HookScreenShot(HWND notifyWnd, UINT doneMsg, UINT cancelMsg, const char* useType) {
    if (!IsUseType(useType)) return kInvalidUseType;
    if (CaptureMemoryExists()) {
        ReadRecordLocked(g_record);
        if (IsWindow(AsWindow(g_record.frameWnd))) return kDoingTheWorking;
    }
    if (const char* refusal = ClaimTheCapture()) return refusal;
    ++g_captureSerial;

    g_sharedState.mouseHook = Install(WH_MOUSE, MouseHookProc);
    if (!g_sharedState.mouseHook) return Refuse(kMouseHookFailed);
    g_sharedState.keyboardHook = Install(WH_KEYBOARD, KeyboardHookProc);
    if (!g_sharedState.keyboardHook) return Refuse(kKeyHookFailed);

    g_record.notifyWnd = WindowValue(notifyWnd);
    g_record.doneMsg = doneMsg;
    g_record.cancelMsg = cancelMsg;
    SetMode(g_record, useType);
    g_record.phase = 0;
    if (g_frame) return Refuse(kFrameExists);

    auto frame = std::make_unique<CFrameDlg>();
    frame->m_useType = useType;
    if (!frame->Create()) return Refuse(kFrameWindowFailed);
    g_frame = std::move(frame);
    const HWND frameWnd = g_frame->GetSafeHwnd();
    g_record.frameWnd = WindowValue(frameWnd);

    POINT pointer = {};
    GetCursorPos(&pointer);
    const RECT start = {pointer.x, pointer.y, pointer.x + 2, pointer.y + 2};
    g_frame->MoveFrame(start);
    ShowWindow(frameWnd, SW_SHOWNA);
    // The frame outlines the start rectangle now: a first tick whose rectangle equals the one a
    // previous capture left in the record must still move the frame.
    g_record.lastFrameRect = FromRect(start);
    g_sharedState.reserved = 0;
    PublishStart();

    Sleep(kSettleMs);
    g_timerId = SetTimer(nullptr, kTrackTimerId, kFirstTickMs, TrackTimerProc);
    if (!g_timerId) return Refuse(kTimerFailed);
    return kStatusOk;
}

const char* UnhookScreenShot() {
    if (g_timerId) {
        KillTimer(nullptr, g_timerId);
        g_timerId = 0;
    }
    // Only the host that installed the hooks removes them; the call of a host that was refused
    // must not end another host's capture.
    const bool capturing = HoldsHostToken();
    if (capturing) {
        RemoveHook(g_sharedState.mouseHook);
        RemoveHook(g_sharedState.keyboardHook);
    }
    g_screenBitmap.reset();
    if (g_frame) {
        g_screenBitmap.reset(g_frame->TakeBitmap());
        ShowWindow(g_frame->GetSafeHwnd(), SW_HIDE);
        g_frame->DestroyWindow();
        g_frame.reset();
    }
    if (capturing) {
        WriteRecordLocked(g_record);
        ReleaseHostToken();
    }
    return kStatusOk;
}

HBITMAP GetCurrentScreenBitmap() { return g_screenBitmap.get(); }

int TestDraw(HDC dc) {
    if (!g_screenBitmap) return 0;
    BITMAP size = {};
    GetObjectA(g_screenBitmap.get(), sizeof(size), &size);
    win32::unique_window_dc screen(nullptr);
    win32::unique_mem_dc memory(CreateCompatibleDC(screen.get()));
    win32::scoped_select select(memory.get(), g_screenBitmap.get());
    BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, memory.get(), 0, 0, SRCCOPY);
    return 1;
}

int TestXxx() {
    MessageBoxA(nullptr, kGreeting, "", MB_OK);
    return 0;
}

void EndCaptureAtUnload(bool processEnding) {
    if (!processEnding) {
        if (HoldsHostToken() || g_frame || g_timerId) UnhookScreenShot();
        return;
    }
    if (HoldsHostToken()) {
        g_sharedState.mouseHook = 0;
        g_sharedState.keyboardHook = 0;
    }
    // Destroying a window of a thread that is gone could only fail or hang.
    g_frame.release();
}

}  // namespace zentap
