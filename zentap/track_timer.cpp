#include "track_timer.h"

#include "capture_locks.h"
#include "capture_session.h"
#include "console_log.h"
#include "messages.h"

namespace zentap {

namespace {

// What the frame should outline now, or false when nothing new: in an "object" capture the window
// under the pointer (with none, the frame stays where it is), in a "select" capture the box at the
// pointer or the drag from the first click.
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
        outline = CaptureRect{pointer.x - 10, pointer.y - 10, pointer.x, pointer.y};
        return true;
    }
    if (record.phase == 1) {
        outline = CaptureRect{record.anchor.x - 10, record.anchor.y - 10, pointer.x, pointer.y};
        return true;
    }
    return false;
}

// Ends a capture whose timer cannot go on as a cancelled one, rather than leaving the hooks in with
// nothing to end them.
void EndAsCancelled(const CaptureRecord& record, unsigned capture) {
    {
        RecordCycle cycle;
        if (cycle) {
            SetMode(cycle.record(), kModeCancel);
            cycle.Commit();
        }
    }
    SendMessageA(AsWindow(record.notifyWnd), record.cancelMsg, 0, 0);
    if (g_frame && g_captureSerial == capture) UnhookScreenShot();
}

}  // namespace

void CALLBACK TrackTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    CaptureRecord record;
    if (!ReadRecordLocked(record)) return;
    if (!g_frame) {
        UnhookScreenShot();
        return;
    }
    KillTimer(nullptr, g_timerId);
    const unsigned capture = g_captureSerial;
    const HWND notifyWnd = AsWindow(record.notifyWnd);
    if (!IsWindow(notifyWnd)) {
        ConsoleLog("garbege");
        UnhookScreenShot();
        return;
    }

    CaptureRect outline = {};
    const bool moved = Outline(record, outline) && !SameRect(outline, record.lastFrameRect);
    if (moved) g_frame->MoveFrame(ToRect(outline));

    // The frame and the host window live in this thread: the picture is taken before the host
    // hears of it. The host may end the capture while it hears of it.
    if (ModeIs(record, kModeSelected)) {
        const CaptureRect& chosen = record.selection;
        SendMessageA(AsWindow(record.frameWnd), g_rectOkMessage, PackCorner(chosen.left, chosen.top),
                     static_cast<LPARAM>(PackCorner(chosen.right, chosen.bottom)));
        SendMessageA(notifyWnd, record.doneMsg, 0, 0);
        return;
    }
    if (ModeIs(record, kModeCancel)) SendMessageA(notifyWnd, record.cancelMsg, 0, 0);

    // Taken afresh: a click that another process handled during this tick is kept.
    if (moved) {
        RecordCycle cycle;
        if (cycle) {
            cycle.record().lastFrameRect = outline;
            cycle.Commit();
        }
    }
    if (!g_frame || g_captureSerial != capture) return;
    g_timerId = SetTimer(nullptr, kTrackTimerId, kTickMs, TrackTimerProc);
    if (!g_timerId) EndAsCancelled(record, capture);
}

}  // namespace zentap
