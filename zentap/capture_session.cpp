#include "capture_session.h"

#include <atomic>
#include <cstring>
#include <initializer_list>

#include "capture_locks.h"
#include "capture_module.h"
#include "capture_thread.h"
#include "hook_procs.h"
#include "shared_state.h"
#include "status_texts.h"
#include "track_timer.h"

namespace zentap {

CaptureRecord g_record = {};
HostWindow g_host = {};
std::unique_ptr<CFrameDlg> g_frame;
UINT_PTR g_timerId = 0;

namespace {

// How long another thread waits for the capture thread to take the end of the capture.
constexpr DWORD kHandOverMs = 2000;
constexpr char kGreeting[] = "nice meet to you.";

// The hooks this process installed for its capture: it alone removes them, from whichever of its
// threads comes first, each once.
std::atomic<HHOOK> g_mouseHook{nullptr};
std::atomic<HHOOK> g_keyboardHook{nullptr};
// The running capture's frame window, for the other threads of the process (g_frame is the
// capture thread's).
std::atomic<HWND> g_frameWnd{nullptr};
// Set by whoever asks the capture thread to end its capture; cleared at every start and end, so
// that a stray message never ends a later capture.
std::atomic<bool> g_endRequested{false};

bool IsUseType(const char* useType) {
    return useType && (std::strcmp(useType, kModeSelect) == 0 || std::strcmp(useType, kModeObject) == 0);
}

HHOOK Install(int hookType, HOOKPROC procedure, std::uint32_t& field) {
    const HHOOK hook = SetWindowsHookExA(hookType, procedure, g_hInstance, 0);
    field = HandleToULong(hook);
    return hook;
}

void RemoveHook(std::atomic<HHOOK>& slot, std::uint32_t& field) {
    const HHOOK hook = slot.exchange(nullptr);
    if (!hook) return;
    UnhookWindowsHookEx(hook);
    ClearHookField(field, hook);
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
// the shared record holds. False when the record could not be written under its lock.
bool PublishStart() {
    RecordCycle cycle;
    if (!cycle) return false;
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

// The done and cancel messages posted to the host that it has not handled yet: after the end it
// hears nothing more of the capture (its handler may unload the module). Only this thread's queue
// can be looked into; nothing is dispatched.
void WithdrawHostMessages(const HostWindow& host) {
    if (!host.notifyWnd) return;
    for (const UINT number : {host.doneMsg, host.cancelMsg}) {
        MSG message;
        // 0 would select every message.
        while (number && PeekMessageA(&message, host.notifyWnd, number, number,
                                      PM_REMOVE | PM_NOYIELD | PM_QS_POSTMESSAGE)) {
        }
    }
}

// Ends the capture in the thread that runs it, or what is left of one in any thread, where no
// procedure of the module runs below. Waits at most lockWaitMs (0 under the loader lock).
void EndCapture(DWORD lockWaitMs) {
    g_endRequested = false;
    const bool capturing = HostTokenHolder() == TokenHolder::ThisThread;
    const HWND frameWnd = g_frameWnd.exchange(nullptr);
    if (g_timerId) {
        KillTimer(frameWnd, g_timerId);
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
    const HostWindow host = g_host;
    g_host = HostWindow{};
    if (capturing) {
        SetCaptureThread(0);
        WriteRecordAtEnd(g_record, lockWaitMs);
        ReleaseHostToken();
    }
    WithdrawHostMessages(host);
}

// The frame's handler of an end request, in the capture thread. A request that came inside another
// procedure of the module (a hit test or a move can take sent messages) is posted again for the
// top of the message handling.
void TakeEndRequest() {
    if (!g_endRequested || HostTokenHolder() != TokenHolder::ThisThread) return;
    if (CallbacksOnCaptureThread() > 1) {
        if (!InSendMessage()) RequestEndAtTop();  // a sent one is asked again by its sender
        return;
    }
    EndCapture(kRecordLockWaitMs);
}

// Asks the capture thread to end its capture; true once it has. The answer is the system's, given
// after the frame's procedure has returned: by then the capture thread has left the module.
// SMTO_BLOCK in sendFlags keeps this thread from running anything meanwhile.
bool HandEndToCaptureThread(UINT sendFlags) {
    const HWND frame = g_frameWnd;
    g_endRequested = true;
    const DWORD start = GetTickCount();
    for (DWORD waited = 0; waited < kHandOverMs; waited = GetTickCount() - start) {
        DWORD_PTR answer = 0;
        const bool answered = frame && SendMessageTimeoutA(frame, kFrameRequestMessage, 0, 0,
                                                           sendFlags | SMTO_ABORTIFHUNG, kHandOverMs - waited, &answer);
        if (HostTokenHolder() != TokenHolder::AnotherThread) return true;
        if (!answered) return false;
        Sleep(1);  // taken inside a procedure of the module: asked again once it has returned
    }
    return false;
}

// After a capture whose thread could not end it: the record, when it still names that capture's
// frame, returns to the host's copy and names no frame (another host may own the capture by now).
void UnpublishFrame(HWND frameWnd, DWORD lockWaitMs) {
    if (!frameWnd) return;
    RecordCycle cycle(lockWaitMs);
    if (!cycle || cycle.record().frameWnd != WindowValue(frameWnd)) return;
    cycle.record() = g_record;
    cycle.record().frameWnd = 0;
    cycle.Commit();
}

// The capture thread ended without ending its capture (it was terminated): its timer went with it,
// and its frame window with it (some platforms leave the window, with nobody to answer for it).
// Its hooks are removed here where the system kept them.
void ForgetEndedCapture(DWORD lockWaitMs) {
    if (!ForgetEndedHostToken()) return;  // another thread of the process is at it
    RemoveHooks();
    g_timerId = 0;
    g_screenBitmap.reset();
    if (g_frame) {
        g_screenBitmap.reset(g_frame->TakeBitmap());
        g_frame->Abandon();
        g_frame.reset();
    }
    SetCaptureThread(0);
    UnpublishFrame(g_frameWnd.exchange(nullptr), lockWaitMs);
    g_host = HostWindow{};
}

// The module is going while the capture thread does not answer: it runs the host's code, as the
// module's procedures never wait for long. Nothing that could call into the module is left (the
// hooks went before, the timer and the frame procedure go here), and the unload waits for any
// procedure still running there to return. What only that thread may do (destroy the frame, give
// back the token) stays undone; the system gives the token up when the thread ends.
void LeaveCaptureOfBusyThread() {
    const HWND frameWnd = g_frameWnd.exchange(nullptr);
    if (frameWnd) KillTimer(frameWnd, kTrackTimerId);  // a timer of a window of this process
    g_timerId = 0;
    if (g_frame) g_frame->Abandon();
    for (const DWORD start = GetTickCount(); CallbacksOnCaptureThread() > 0 && GetTickCount() - start < kHandOverMs;)
        Sleep(1);
    g_frame.reset();
    UnpublishFrame(frameWnd, 0);
}

}  // namespace

const char* HookScreenShot(HWND notifyWnd, UINT doneMsg, UINT cancelMsg, const char* useType) {
    if (!IsUseType(useType)) return kInvalidUseType;
    if (!IsWindow(notifyWnd)) return kNoNotifyWindow;
    if (HostTokenHolder() == TokenHolder::EndedThread) ForgetEndedCapture(kRecordLockWaitMs);
    // Nobody could follow a capture that cannot be published under its lock: its ticks and hooks
    // would do nothing while its hooks swallowed Escape everywhere.
    CaptureRecord shared;
    if (!ReadRecordLocked(shared)) return kRecordUnavailable;
    g_record = shared;
    if (IsWindow(AsWindow(g_record.frameWnd))) return kDoingTheWorking;
    if (const char* refusal = ClaimTheCapture()) return refusal;
    SetCaptureThread(GetCurrentThreadId());
    g_endRequested = false;

    RemoveHooks();
    g_mouseHook = Install(WH_MOUSE, MouseHookProc, g_sharedState.mouseHook);
    if (!g_mouseHook.load()) return Refuse(kMouseHookFailed);
    g_keyboardHook = Install(WH_KEYBOARD, KeyboardHookProc, g_sharedState.keyboardHook);
    if (!g_keyboardHook.load()) return Refuse(kKeyHookFailed);

    g_host = HostWindow{notifyWnd, doneMsg, cancelMsg};
    g_record.notifyWnd = WindowValue(notifyWnd);
    g_record.doneMsg = doneMsg;
    g_record.cancelMsg = cancelMsg;
    SetMode(g_record, useType);
    g_record.phase = 0;
    if (g_frame) return Refuse(kFrameExists);

    auto frame = std::make_unique<CFrameDlg>();
    frame->m_useType = useType;
    frame->m_onTimer = &TrackTick;
    frame->m_onEndRequest = &TakeEndRequest;
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
    g_timerId = SetTimer(frameWnd, kTrackTimerId, kFirstTickMs, nullptr);
    if (!g_timerId) return Refuse(kTimerFailed);
    return kStatusOk;
}

const char* UnhookScreenShot() {
    switch (HostTokenHolder()) {
    case TokenHolder::AnotherThread:
        // "ok" says that this process's hooks are gone; what only the capture thread may do, it does
        // now or when it next handles messages.
        RemoveHooks();
        if (!HandEndToCaptureThread(SMTO_NORMAL)) RequestEndAtTop();
        return kStatusOk;
    case TokenHolder::EndedThread:
        ForgetEndedCapture(kRecordLockWaitMs);
        break;
    case TokenHolder::Nobody:
    case TokenHolder::ThisThread:
        break;
    }
    EndCapture(kRecordLockWaitMs);
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
        if (const HHOOK hook = g_mouseHook.exchange(nullptr)) ClearHookField(g_sharedState.mouseHook, hook);
        if (const HHOOK hook = g_keyboardHook.exchange(nullptr)) ClearHookField(g_sharedState.keyboardHook, hook);
        // Destroying a window of a thread that is gone could only fail or hang.
        g_frame.release();
        return;
    }
    switch (HostTokenHolder()) {
    case TokenHolder::AnotherThread:
        RemoveHooks();
        // This thread holds the loader lock: it runs nobody's messages while it waits.
        if (!HandEndToCaptureThread(SMTO_BLOCK)) LeaveCaptureOfBusyThread();
        return;
    case TokenHolder::EndedThread:
        ForgetEndedCapture(0);
        return;
    case TokenHolder::ThisThread:
    case TokenHolder::Nobody:
        if (g_frame || g_timerId || g_mouseHook.load() || g_keyboardHook.load()) EndCapture(0);
        return;
    }
}

void EndCaptureOfEndingThread() {
    if (HostTokenHolder() == TokenHolder::ThisThread) EndCapture(0);
}

void RequestEndAtTop() {
    g_endRequested = true;
    // Posted to no window, the message would land in the calling thread's own queue.
    if (const HWND frame = g_frameWnd) PostMessageA(frame, kFrameRequestMessage, 0, 0);
}

}  // namespace zentap
