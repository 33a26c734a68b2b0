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
HostWindow g_host = {};
std::unique_ptr<CFrameDlg> g_frame;
UINT_PTR g_timerId = 0;
unsigned g_captureSerial = 0;

namespace {

// How long another thread waits for the capture thread to take the end of the capture.
constexpr DWORD kHandOverMs = 2000;
constexpr char kGreeting[] = "nice meet to you.";

// The hooks this process installed for its capture: it alone removes them.
HHOOK g_mouseHook = nullptr;
HHOOK g_keyboardHook = nullptr;
// The running capture's frame window, for the other threads of the process (g_frame is the
// capture thread's).
HWND g_frameWnd = nullptr;
// Set by a thread that hands the end of the capture to the capture thread.
LONG g_endRequested = 0;

bool IsUseType(const char* useType) {
    return useType && (std::strcmp(useType, kModeSelect) == 0 || std::strcmp(useType, kModeObject) == 0);
}

HHOOK Install(int hookType, HOOKPROC procedure, std::uint32_t& field) {
    const HHOOK hook = SetWindowsHookExA(hookType, procedure, g_hInstance, 0);
    field = HandleToULong(hook);
    return hook;
}

void RemoveHook(HHOOK& hook, std::uint32_t& field) {
    if (!hook) return;
    UnhookWindowsHookEx(hook);
    ClearHookField(field, hook);
    hook = nullptr;
}

void RemoveHooks() {
    RemoveHook(g_mouseHook, g_sharedState.mouseHook);
    RemoveHook(g_keyboardHook, g_sharedState.keyboardHook);
}

// Takes the host token, or tells why no capture may start. Hooks that the section names while the
// token was free belong to a host whose thread ended without unhooking; the installation below
// puts this host's in their place, and the process that set them removes them.
const char* ClaimTheCapture() {
    if (HostTokenHolder() == TokenHolder::ThisThread) return g_sharedState.mouseHook ? kAlreadyRunning : nullptr;
    switch (ClaimHostToken()) {
    case HostClaim::HeldElsewhere:
        return kAlreadyRunning;
    case HostClaim::Unavailable:
        return kHostTokenUnavailable;
    case HostClaim::Claimed:
        break;
    }
    return nullptr;
}

// Publishes the host's fields of a starting capture; the fields the host does not set keep what
// the shared record holds. False when the record could not be written.
bool PublishStart() {
    RecordCycle cycle;
    if (!cycle) return WriteCaptureRecord(g_record);
    CaptureRecord& shared = cycle.record();
    shared.notifyWnd = g_record.notifyWnd;
    shared.doneMsg = g_record.doneMsg;
    shared.cancelMsg = g_record.cancelMsg;
    std::memcpy(shared.mode, g_record.mode, sizeof(shared.mode));
    shared.phase = g_record.phase;
    shared.frameWnd = g_record.frameWnd;
    shared.lastFrameRect = g_record.lastFrameRect;
    if (!cycle.Commit()) return false;
    g_record = shared;
    return true;
}

// A refusal after the hooks may have been installed: nothing of this call is left behind.
const char* Refuse(const char* text) {
    UnhookScreenShot();
    return text;
}

// Ends the capture in the thread that runs it (or what is left of one in any thread).
void EndCapture() {
    const bool capturing = HostTokenHolder() == TokenHolder::ThisThread;
    InterlockedExchange(&g_endRequested, 0);
    if (g_timerId) {
        KillTimer(g_frameWnd, g_timerId);
        g_timerId = 0;
    }
    RemoveHooks();
    g_screenBitmap.reset();
    if (g_frame) {
        g_screenBitmap.reset(g_frame->TakeBitmap());
        ShowWindow(g_frame->GetSafeHwnd(), SW_HIDE);
        g_frame->DestroyWindow();
        g_frame.reset();
    }
    g_frameWnd = nullptr;
    g_host = HostWindow{};
    if (capturing) {
        WriteRecordLocked(g_record);
        ReleaseHostToken();
    }
}

// Runs in the capture thread when another thread has asked it to end the capture.
void EndRequestedCapture() {
    if (InterlockedExchange(&g_endRequested, 0) && HostTokenHolder() == TokenHolder::ThisThread) EndCapture();
}

// Asks the capture thread to end its capture; true when it has. A thread that does not answer in
// time ends it when it next handles messages.
bool HandEndToCaptureThread() {
    const HWND frame = g_frameWnd;
    InterlockedExchange(&g_endRequested, 1);
    DWORD_PTR answer = 0;
    if (!frame || !SendMessageTimeoutA(frame, kFrameRequestMessage, 0, 0, SMTO_NORMAL, kHandOverMs, &answer))
        return false;
    return HostTokenHolder() != TokenHolder::AnotherThread;
}

// The capture thread ended without ending its capture (it was terminated): its timer went with it,
// and its frame window with it (some platforms leave the window, with nobody to answer for it).
// Its hooks are removed here where the system kept them. The record is written back as an unhook
// writes it only while it still names this capture's frame: another host may own the capture by now.
void ForgetEndedCapture() {
    RemoveHooks();
    g_timerId = 0;
    g_screenBitmap.reset();
    if (g_frame) {
        g_screenBitmap.reset(g_frame->TakeBitmap());
        g_frame->Abandon();
        g_frame.reset();
    }
    if (g_frameWnd) {
        RecordCycle cycle;
        if (cycle && cycle.record().frameWnd == WindowValue(g_frameWnd)) {
            // The window of a thread that was ended may linger: the record names none.
            cycle.record() = g_record;
            cycle.record().frameWnd = 0;
            cycle.Commit();
        }
    }
    g_frameWnd = nullptr;
    g_host = HostWindow{};
    ForgetHostToken();
}

// The module is going while the capture thread does not answer: nothing that could call into the
// module is left. What only that thread may do (destroy the frame, give back the token) stays
// undone; the token is given up when the thread ends.
void LeaveCaptureOfBusyThread() {
    if (g_timerId) KillTimer(g_frameWnd, g_timerId);  // a timer of a window of this process
    g_timerId = 0;
    RemoveHooks();
    if (g_frame) {
        g_frame->Abandon();
        g_frame.reset();
    }
    g_frameWnd = nullptr;
}

}  // namespace

const char* HookScreenShot(HWND notifyWnd, UINT doneMsg, UINT cancelMsg, const char* useType) {
    if (!IsUseType(useType)) return kInvalidUseType;
    if (!IsWindow(notifyWnd)) return kNoNotifyWindow;
    if (HostTokenHolder() == TokenHolder::EndedThread) ForgetEndedCapture();
    if (CaptureMemoryExists()) {
        ReadRecordLocked(g_record);
        if (IsWindow(AsWindow(g_record.frameWnd))) return kDoingTheWorking;
    }
    // Nobody could follow a capture that cannot be published: its ticks and hooks would do nothing
    // while its hooks swallowed Escape everywhere.
    CaptureRecord published;
    if (!ReadCaptureRecord(published)) return kRecordUnavailable;
    if (const char* refusal = ClaimTheCapture()) return refusal;
    ++g_captureSerial;

    RemoveHooks();
    g_mouseHook = Install(WH_MOUSE, MouseHookProc, g_sharedState.mouseHook);
    if (!g_mouseHook) return Refuse(kMouseHookFailed);
    g_keyboardHook = Install(WH_KEYBOARD, KeyboardHookProc, g_sharedState.keyboardHook);
    if (!g_keyboardHook) return Refuse(kKeyHookFailed);

    g_host = HostWindow{notifyWnd, doneMsg, cancelMsg};
    g_record.notifyWnd = WindowValue(notifyWnd);
    g_record.doneMsg = doneMsg;
    g_record.cancelMsg = cancelMsg;
    SetMode(g_record, useType);
    g_record.phase = 0;
    if (g_frame) return Refuse(kFrameExists);

    auto frame = std::make_unique<CFrameDlg>();
    frame->m_useType = useType;
    frame->m_onRequest = &EndRequestedCapture;
    if (!frame->Create()) return Refuse(kFrameWindowFailed);
    g_frame = std::move(frame);
    const HWND frameWnd = g_frame->GetSafeHwnd();
    g_frameWnd = frameWnd;
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
    if (!PublishStart()) return Refuse(kRecordUnavailable);

    // No pause here: on 64-bit Windows the hooks for applications of the other kind run in this
    // thread, whose every pause holds up their input. The first tick still comes 100 ms after the
    // start returns.
    g_timerId = SetTimer(frameWnd, kTrackTimerId, kFirstTickMs, TrackTimerProc);
    if (!g_timerId) return Refuse(kTimerFailed);
    return kStatusOk;
}

const char* UnhookScreenShot() {
    switch (HostTokenHolder()) {
    case TokenHolder::AnotherThread:
        HandEndToCaptureThread();
        return kStatusOk;
    case TokenHolder::EndedThread:
        ForgetEndedCapture();
        break;
    case TokenHolder::Nobody:
    case TokenHolder::ThisThread:
        break;
    }
    EndCapture();
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
    if (processEnding) {
        // The system removes the hooks with the process; the section must not name them.
        if (g_mouseHook) ClearHookField(g_sharedState.mouseHook, g_mouseHook);
        if (g_keyboardHook) ClearHookField(g_sharedState.keyboardHook, g_keyboardHook);
        // Destroying a window of a thread that is gone could only fail or hang.
        g_frame.release();
        return;
    }
    switch (HostTokenHolder()) {
    case TokenHolder::AnotherThread:
        if (!HandEndToCaptureThread()) LeaveCaptureOfBusyThread();
        return;
    case TokenHolder::EndedThread:
        ForgetEndedCapture();
        return;
    case TokenHolder::ThisThread:
    case TokenHolder::Nobody:
        if (g_frame || g_timerId || g_mouseHook || g_keyboardHook) UnhookScreenShot();
        return;
    }
}

void EndCaptureOfEndingThread() {
    if (HostTokenHolder() == TokenHolder::ThisThread) EndCapture();
}

}  // namespace zentap
