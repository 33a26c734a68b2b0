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

// Ends a capture whose timer cannot go on as a cancelled one, rather than leaving the hooks in with
// nothing to end them.
void EndAsCancelled(const HostWindow& host, unsigned capture) {
    {
        RecordCycle cycle;
        if (cycle) {
            SetMode(cycle.record(), kModeCancel);
            cycle.Commit();
        }
    }
    SendMessageA(host.notifyWnd, host.cancelMsg, 0, 0);
    if (g_frame && g_captureSerial == capture) UnhookScreenShot();
}

}  // namespace

void CALLBACK TrackTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
    // A timer that outlived the frame of its capture stops, and touches nothing else.
    if (!g_frame || window != g_frame->GetSafeHwnd()) {
        KillTimer(window, id);
        return;
    }
    CaptureRecord record;
    if (!ReadRecordLocked(record)) return;
    KillTimer(window, id);
    g_timerId = 0;
    const unsigned capture = g_captureSerial;
    // The host is told through what it passed, never through the record's copies.
    const HostWindow host = g_host;
    if (!IsWindow(host.notifyWnd)) {
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
        SendMessageA(window, g_rectOkMessage, PackCorner(chosen.left, chosen.top),
                     static_cast<LPARAM>(PackCorner(chosen.right, chosen.bottom)));
        SendMessageA(host.notifyWnd, host.doneMsg, 0, 0);
        return;
    }
    if (ModeIs(record, kModeCancel)) SendMessageA(host.notifyWnd, host.cancelMsg, 0, 0);

    // Taken afresh: a click that another process handled during this tick is kept.
    if (moved) {
        RecordCycle cycle;
        if (cycle) {
            cycle.record().lastFrameRect = outline;
            cycle.Commit();
        }
    }
    if (!g_frame || g_captureSerial != capture) return;
    g_timerId = SetTimer(window, kTrackTimerId, kTickMs, TrackTimerProc);
    if (!g_timerId) EndAsCancelled(host, capture);
}

}  // namespace zentap
