// The viewer as the host of a screen capture.
#pragma once

namespace lumorex {

// Whether the command line asks for a capture rather than the handler's selection.
bool IsCaptureCommand(const char* commandLine);

// Runs the capture the command line asks for; the process's exit code.
int HostCapture(const char* commandLine);

}  // namespace lumorex
