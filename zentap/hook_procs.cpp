#include "hook_procs.h"

#include "capture_locks.h"
#include "capture_thread.h"
#include "frame_dlg.h"
#include "messages.h"
#include "shared_state.h"

namespace zentap {

namespace {

bool IsLeftPress(WPARAM message) { return message == WM_LBUTTONDOWN || message == WM_NCLBUTTONDOWN; }
bool IsLeftRelease(WPARAM message) { return message == WM_LBUTTONUP || message == WM_NCLBUTTONUP; }

// Whether Ctrl is down for this mouse message. A hook runs in the thread that gets the message,
// and that thread's key state is the one in step with it. But on 64-bit Windows the hooks of a
// module of the other kind (a 32-bit host and a 64-bit application, or the reverse) run in the
// capturing host's thread, whose own key state does not follow the keyboard while another
// application has it: for a window of another thread the keyboard itself is asked.
bool CtrlHeld(HWND target) {
    const bool targetsThisThread = target && GetWindowThreadProcessId(target, nullptr) == GetCurrentThreadId();
    return (targetsThisThread ? GetKeyState(VK_CONTROL) : GetAsyncKeyState(VK_CONTROL)) < 0;
}

// The rectangle the frame last outlined is the choice.
CaptureRect ChosenArea(const CaptureRecord& record) {
    LastArea area;
    return ReadLastArea(area) ? area : record.lastFrameRect;
}

// A left press or release (or a non-client double click) as the rules see it.
struct Click {
    int code;
    bool press;
    bool release;
    bool ctrl;
    HWND target;
    HWND under;  // the window under the pointer, looked up for the Ctrl rules only
};

// What the rules make of a click, on the record as read.
enum class Rule { Pass, Swallow, FirstClick, SecondClick, CtrlChoice };

Rule Match(const CaptureRecord& record, const Click& click) {
    const HWND frame = AsWindow(record.frameWnd);
    if (click.ctrl && click.target != frame && click.under != frame) {
        if (click.code >= 0 && record.notifyWnd && click.release && ModeIs(record, kModeObject))
            return Rule::CtrlChoice;
        return click.release ? Rule::Pass : Rule::Swallow;
    }
    if (!click.press || !ModeIs(record, kModeSelect)) return Rule::Pass;
    if (record.phase == 0) return Rule::FirstClick;
    if (record.phase == 1) return Rule::SecondClick;
    return Rule::Pass;
}

void Choose(CaptureRecord& record) {
    SetMode(record, kModeSelected);
    record.selection = ChosenArea(record);
}

// True when the message belongs to the capture and is swallowed.
bool TakeMouseMessage(int code, WPARAM message, LPARAM info) {
    // Moves, the wheel and the other buttons pass without a look at the keys, the record or the
    // pointer; so do releases and double clicks without Ctrl.
    const bool press = IsLeftPress(message);
    const bool release = IsLeftRelease(message);
    if (!press && !release && message != WM_NCLBUTTONDBLCLK) return false;
    const auto* mouse = reinterpret_cast<const MOUSEHOOKSTRUCT*>(info);
    const HWND target = mouse ? mouse->hwnd : nullptr;
    const bool ctrl = CtrlHeld(target);
    if (!press && !ctrl) return false;

    // The pointer is read only when a rule needs it: under some platforms it costs a round trip to
    // a server. The hit test sends WM_NCHITTEST to the windows of this application, which may take
    // any time to answer: it runs before the record is locked, and only the Ctrl rules need it.
    POINT pointer = {};
    if (ctrl) GetCursorPos(&pointer);
    const Click click = {code, press, release, ctrl, target, ctrl ? WindowFromPoint(pointer) : nullptr};

    // Clicks that change nothing (most of them: every plain click of an "object" capture) are
    // decided on a plain copy and never wait for the lock.
    CaptureRecord seen;
    if (!ReadCaptureRecord(seen)) return false;
    Rule rule = Match(seen, click);
    if (rule == Rule::Pass || rule == Rule::Swallow) return rule == Rule::Swallow;
    if (!ctrl) GetCursorPos(&pointer);  // a first click's anchor

    // A change is decided again under the lock, on the record as it is then. An application does not
    // wait for the lock longer than the cycle does: held elsewhere, the click passes.
    HWND frame = nullptr;
    {
        RecordCycle cycle;
        if (!cycle) return false;
        CaptureRecord& record = cycle.record();
        rule = Match(record, click);
        switch (rule) {
        case Rule::Pass:
        case Rule::Swallow:
            return rule == Rule::Swallow;
        case Rule::FirstClick:
            record.phase = 1;
            record.anchor = CapturePoint{pointer.x, pointer.y};
            break;
        case Rule::SecondClick:
            Choose(record);
            record.phase = 2;
            break;
        case Rule::CtrlChoice:
            Choose(record);
            break;
        }
        frame = AsWindow(record.frameWnd);
        cycle.Commit();
    }
    // Only this module's frame is told or hidden, never another window that the record names. Both
    // go asynchronously: a busy host must not hold up the application that was clicked, and a
    // message posted to no window would land in this application's own queue.
    if (!IsCaptureFrame(frame)) return true;
    if (rule == Rule::FirstClick)
        PostMessageA(frame, g_userMessage, 1, 0);
    else
        ShowWindowAsync(frame, SW_HIDE);
    return true;
}

bool TakeKeystroke(int code, WPARAM key) {
    if (key == VK_PROCESSKEY || code < 0 || code == HC_NOREMOVE || key != VK_ESCAPE) return false;
    {
        RecordCycle cycle;
        if (cycle) {
            SetMode(cycle.record(), kModeCancel);
            cycle.Commit();
            return true;
        }
    }
    // The lock is held elsewhere: the frame notes the Escape, and the host's thread writes it once
    // it has the lock. The frame is found on a plain copy of the record.
    CaptureRecord seen;
    const HWND frame = ReadCaptureRecord(seen) ? AsWindow(seen.frameWnd) : nullptr;
    if (IsCaptureFrame(frame)) PostMessageA(frame, kFrameEscapeMessage, 0, 0);
    return true;
}

}  // namespace

LRESULT CALLBACK MouseHookProc(int code, WPARAM message, LPARAM info) {
    const CaptureThreadCallback callback;
    if (TakeMouseMessage(code, message, info)) return 1;
    return CallNextHookEx(AsHook(g_sharedState.mouseHook), code, message, info);
}

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM key, LPARAM flags) {
    const CaptureThreadCallback callback;
    if (TakeKeystroke(code, key)) return 1;
    return CallNextHookEx(AsHook(g_sharedState.keyboardHook), code, key, flags);
}

}  // namespace zentap
