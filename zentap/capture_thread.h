// The thread of this process that runs its capture, and the module's procedures running on it (the
// frame's, which include the tracking tick, and the hooks'). The end of a capture is acted on only
// at the top of that thread's message handling, never while one of these runs below it: the frame
// or the timer would be destroyed under the code that uses them, and an unload would unmap it.
#pragma once

#include <windows.h>

namespace zentap {

// Names the capture thread, 0 for none. That thread sets it at the start of its capture and clears
// it at the end.
void SetCaptureThread(DWORD thread) noexcept;

// Counts a procedure of the module for as long as it runs, when it runs on the capture thread.
class CaptureThreadCallback {
public:
    CaptureThreadCallback() noexcept;
    ~CaptureThreadCallback();
    CaptureThreadCallback(const CaptureThreadCallback&) = delete;
    CaptureThreadCallback& operator=(const CaptureThreadCallback&) = delete;

private:
    bool m_counted;
};

// How many procedures of the module run on the capture thread now. From that thread, 1 in a
// procedure means that it was called from the host's message handling; from another thread, 0
// means that the capture thread is not inside the module.
long CallbacksOnCaptureThread() noexcept;

}  // namespace zentap
