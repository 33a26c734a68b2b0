// A capture as its host process runs it: the start and end of a capture (behind the exports
// hook_screen_shot and unhook_screen_shot), the picture it leaves, and the host's own state.
#pragma once

#include <windows.h>

#include <memory>

#include "capture_memory.h"
#include "frame_dlg.h"

namespace zentap {

// Installs the hooks, shows the frame and starts the tracking timer in the calling thread, which
// must dispatch messages; "ok" or the text of a refusal (status_texts.h).
const char* HookScreenShot(HWND notifyWnd, UINT doneMsg, UINT cancelMsg, const char* useType);

// Ends this process's capture: the timer, the hooks and the frame go, the frame's picture is kept.
// Deletes the picture of the capture before. Always "ok", and by then this process's hooks are gone:
// called from another thread than the one that runs the capture, it removes them itself and hands
// the rest to that thread (which ends it at once, or as soon as it handles messages again).
const char* UnhookScreenShot();

HBITMAP GetCurrentScreenBitmap();

// Copies the kept picture to dc at (0, 0); 1 when there was one, else 0.
int TestDraw(HDC dc);

// Shows the module's greeting and waits until it is closed; 0.
int TestXxx();

// The module leaves a process in the middle of a capture of that process (under the loader lock).
// When the process goes on (the module alone is unloaded), the capture ends as unhook_screen_shot
// ends it; the unload goes on only once the capture thread has left the module, and a capture
// thread that does not take the end in time is left nothing of the module's (no hook, no timer, no
// frame procedure). When the process is ending, its threads and windows are already gone and only
// the shared section is set straight.
void EndCaptureAtUnload(bool processEnding);

// A thread of this process is ending (under the loader lock): if it runs a capture, the capture
// ends with it.
void EndCaptureOfEndingThread();

// Asks the capture thread, from its own procedures, to end its capture at the top of its message
// handling, once they have returned.
void RequestEndAtTop();

// The host's window and messages as the host passed them to the start of its capture.
struct HostWindow {
    HWND notifyWnd;
    UINT doneMsg;
    UINT cancelMsg;
};

// The host's copy of the record, filled at the start of a capture and written back at its end.
extern CaptureRecord g_record;
// The host of the running capture: the timer tells it through these, never through the record's
// copies, which any process can write.
extern HostWindow g_host;
// The frame of this process's capture, none between captures.
extern std::unique_ptr<CFrameDlg> g_frame;
// The tracking timer's identifier as SetTimer returned it, 0 when none runs.
extern UINT_PTR g_timerId;

}  // namespace zentap
