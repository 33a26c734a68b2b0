// The tracking timer of a capture, in the host thread: it moves the frame after the pointer and
// tells the frame and the host when the record says that an area was chosen or the capture
// cancelled.
#pragma once

#include <windows.h>

namespace zentap {

// A timer of the frame window: it goes with the window, and any thread of the host process can
// stop it, so none outlives the capture.
constexpr UINT_PTR kTrackTimerId = 7890;
constexpr UINT kFirstTickMs = 100;
constexpr UINT kTickMs = 50;

void CALLBACK TrackTimerProc(HWND window, UINT, UINT_PTR id, DWORD);

}  // namespace zentap
