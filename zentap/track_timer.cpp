#include "track_timer.h"

#include "capture_locks.h"
#include "capture_session.h"
#include "console_log.h"
#include "frame_geometry.h"
#include "messages.h"

namespace zentap {

namespace {

constexpr std::int32_t kBoxSize = 10;  // the box at the pointer, and the margin before the first click

// What the frame should outline now, or false when nothing new: in an "object" capture the window
// under the pointer (with none, the frame stays where it is), in a "select" capture the box at the
// pointer or the drag from the first click. The anchor comes from the record, which any process can
// write: its arithmetic saturates.
bool Outline(const CaptureRecord& record, CaptureRect& outline) {
    POINT pointer = {};
    GetCursorPos(&pointer);
    if (ModeIs(record, kModeObject)) {
        const HWND under = WindowFromPoint(pointer);
        RECT window = {};
        if (!under || !GetWindowRect(under, &window)) return false;
        outline = FromRect(window);
        return true;
    }
    if (!ModeIs(record, kModeSelect)) return false;
    if (record.phase == 0) {
        outline = CaptureRect{pointer.x - kBoxSize, pointer.y - kBoxSize, pointer.x, pointer.y};
        return true;
    }
    if (record.phase == 1) {
        outline = CaptureRect{SaturatingMinus(record.anchor.x, kBoxSize), SaturatingMinus(record.anchor.y, kBoxSize),
                              pointer.x, pointer.y};
        return true;
    }
    return false;
}

void StopTimer(HWND frame) {
    KillTimer(frame, kTrackTimerId);
    g_timerId = 0;
}

// The record as this tick sees it, with an Escape that a hook could not write meanwhile written now;
// false when the lock is held elsewhere (the timer keeps its interval and the next tick tries again).
bool TakeRecord(CaptureRecord& record) {
    RecordCycle cycle;
    if (!cycle) return false;
    if (g_frame->m_escapePressed) {
        SetMode(cycle.record(), kModeCancel);
        if (cycle.Commit()) g_frame->m_escapePressed = false;
    }
    record = cycle.record();
    return true;
}

// Posts `message` to the host's window: the host hears of the capture from its own message loop,
// where nothing of the module runs below its handler (which may end the capture or unload the module).
void Tell(HWND window, UINT message) { PostMessageA(window, message, 0, 0); }

}  // namespace

void TrackTick() {
    if (!g_frame) return;
    const HWND frame = g_frame->GetSafeHwnd();
    // The host is told through what it passed, never through the record's copies. Its window is
    // looked at before the lock: whoever holds the lock, a host that is gone ends the capture.
    const HostWindow host = g_host;
    if (!IsWindow(host.notifyWnd)) {
        ConsoleLog("garbege");
        StopTimer(frame);
        RequestEndAtTop();
        return;
    }
    CaptureRecord record;
    if (!TakeRecord(record)) return;
    StopTimer(frame);

    CaptureRect outline = {};
    const bool moved = Outline(record, outline) && !SameRect(outline, record.lastFrameRect);
    if (moved) g_frame->MoveFrame(ToRect(outline));

    // The frame lives in this thread: the picture is taken before the host hears of it. Any process
    // may have written the choice: it is clipped to the screen before its corners are cut to 16 bits.
    if (ModeIs(record, kModeSelected)) {
        RECT chosen = ToRect(record.selection);
        ClipToScreen(chosen);
        SendMessageA(frame, g_rectOkMessage, PackCorner(chosen.left, chosen.top),
                     static_cast<LPARAM>(PackCorner(chosen.right, chosen.bottom)));
        Tell(host.notifyWnd, host.doneMsg);
        return;
    }
    if (ModeIs(record, kModeCancel)) Tell(host.notifyWnd, host.cancelMsg);

    // Taken afresh: a click that another process handled during this tick is kept.
    if (moved) {
        RecordCycle cycle;
        if (cycle) {
            cycle.record().lastFrameRect = outline;
            cycle.Commit();
        }
    }
    g_timerId = SetTimer(frame, kTrackTimerId, kTickMs, nullptr);
    if (g_timerId) return;
    // A capture whose timer cannot go on ends as a cancelled one, rather than leaving the hooks in
    // with nothing to end them.
    {
        RecordCycle cycle;
        if (cycle) {
            SetMode(cycle.record(), kModeCancel);
            cycle.Commit();
        }
    }
    Tell(host.notifyWnd, host.cancelMsg);
    RequestEndAtTop();
}

}  // namespace zentap
