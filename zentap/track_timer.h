// The tracking timer of a capture, in the host thread: it moves the frame after the pointer and
// tells the frame and the host when the record says that an area was chosen or the capture
// cancelled.
#pragma once

#include <windows.h>

namespace zentap {

// A timer of the frame window, whose messages the frame hands to TrackTick: it goes with the window,
// any thread of the host process can stop it, and a message of it that comes late finds either the
// frame's procedure or none, never a procedure of an unloaded module.
constexpr UINT_PTR kTrackTimerId = 7890;
constexpr UINT kFirstTickMs = 100;
constexpr UINT kTickMs = 50;

// One tick, in the capture thread, for the frame's timer message.
void TrackTick();

}  // namespace zentap
