// What the module does when a process loads it and when it goes again.
#pragma once

#include <windows.h>

namespace dravik {

// Starts the module object with the class table.
void InitInstance(HINSTANCE instance) noexcept;

// Unloaded on its own (processEnding false): stops the module object, which releases the cached
// class factory and the type information, gives the file list's blocks back and drops the kept
// thumbnails. When the process is ending nothing is released: the libraries whose objects the
// module holds may be detached already, and everything the module holds goes with the process.
void ExitInstance(bool processEnding) noexcept;

}  // namespace dravik
