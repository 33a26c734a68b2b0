#include "hook_procs.h"

#include "capture_locks.h"
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

void Choose(CaptureRecord& record) {
    // Hidden asynchronously: a busy host must not hold up the application that was clicked.
    ShowWindowAsync(AsWindow(record.frameWnd), SW_HIDE);
    SetMode(record, kModeSelected);
    record.selection = ChosenArea(record);
}

// The pointer is read only by the rules that need it: under some platforms it costs a round trip
// to a server.
class Pointer {
public:
    const POINT& Position() {
        if (!m_read) m_read = GetCursorPos(&m_position) != FALSE;
        return m_position;
    }

private:
    bool m_read = false;
    POINT m_position = {};
};

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

    // The hit test sends WM_NCHITTEST to the windows of this application, which may take any time
    // to answer: it runs before the record is locked, and only the Ctrl rules need it.
    Pointer pointer;
    const HWND under = ctrl ? WindowFromPoint(pointer.Position()) : nullptr;

    RecordCycle cycle;
    if (!cycle) return false;
    CaptureRecord& record = cycle.record();
    const HWND frame = AsWindow(record.frameWnd);
    if (ctrl && target != frame && under != frame) {
        if (code >= 0 && record.notifyWnd && release && ModeIs(record, kModeObject)) {
            Choose(record);
            cycle.Commit();
            return true;
        }
        return !release;
    }
    if (!press || !ModeIs(record, kModeSelect)) return false;
    if (record.phase == 0) {
        // Posted to no window, the message would land in this application's own queue.
        if (frame) PostMessageA(frame, g_userMessage, 1, 0);
        record.phase = 1;
        record.anchor = CapturePoint{pointer.Position().x, pointer.Position().y};
        cycle.Commit();
        return true;
    }
    if (record.phase == 1) {
        Choose(record);
        record.phase = 2;
        cycle.Commit();
        return true;
    }
    return false;
}

bool TakeKeystroke(int code, WPARAM key) {
    if (key == VK_PROCESSKEY || code < 0 || code == HC_NOREMOVE || key != VK_ESCAPE) return false;
    RecordCycle cycle;
    if (cycle) {
        SetMode(cycle.record(), kModeCancel);
        cycle.Commit();
    }
    return true;
}

}  // namespace

LRESULT CALLBACK MouseHookProc(int code, WPARAM message, LPARAM info) {
    if (TakeMouseMessage(code, message, info)) return 1;
    return CallNextHookEx(AsHook(g_sharedState.mouseHook), code, message, info);
}

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM key, LPARAM flags) {
    if (TakeKeystroke(code, key)) return 1;
    return CallNextHookEx(AsHook(g_sharedState.keyboardHook), code, key, flags);
}

}  // namespace zentap
