// The system-wide hooks of a capture. They run in the input threads of every process on the
// desktop, the host's included, and change only the shared capture record; the frame window is
// addressed by its handle, and nothing they do waits for another thread.
#pragma once

#include <windows.h>

namespace zentap {

// Turns the user's clicks into the record's choice and swallows the clicks that belong to it.
LRESULT CALLBACK MouseHookProc(int code, WPARAM message, LPARAM info);

// Turns Escape into a cancellation; Escape never reaches an application while the hooks are in.
LRESULT CALLBACK KeyboardHookProc(int code, WPARAM key, LPARAM flags);

}  // namespace zentap
