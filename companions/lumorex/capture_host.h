// The viewer as the host of a screen capture:
//   Lumorex.exe /capture select|object <picture.png> [/report <file>]
// starts a capture of the kind asked for, waits until the user has chosen an area or pressed
// Escape, and saves the chosen area as a PNG file. The exit code tells the outcome; the report file,
// when asked for, holds "name=value" lines: outcome (saved, cancelled, refused, failed), status (the
// capture module's answer to the start), picture, width and height.
#pragma once

namespace lumorex {

enum CaptureExitCode {
    kCaptureSaved = 0,
    kCaptureCancelled = 1,
    kCaptureRefused = 2,
    kCaptureFailed = 3,  // the module or an export is missing, the picture could not be saved, bad use
};

// Whether the command line asks for a capture rather than the handler's selection.
bool IsCaptureCommand(const char* commandLine);

// Runs the capture the command line asks for; the process's exit code.
int HostCapture(const char* commandLine);

}  // namespace lumorex
