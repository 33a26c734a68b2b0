// The tracking timer of a capture, in the host thread: it moves the frame after the pointer and
// tells the frame and the host when the record says that an area was chosen or the capture
// cancelled.
#pragma once

#include <windows.h>

namespace zentap {

constexpr UINT_PTR kTrackTimerId = 7890;  // requested; SetTimer without a window picks its own
constexpr UINT kFirstTickMs = 100;
constexpr UINT kTickMs = 50;

void CALLBACK TrackTimerProc(HWND, UINT, UINT_PTR, DWORD);

}  // namespace zentap
