// The outside viewer executable: where the handler looks for it and the command line it hands it.
#pragma once

#include <string>

namespace dravik {

// Appended to the "Main Path" setting.
constexpr char kViewerFileName[] = "\\Lumorex.exe";

// What LaunchViewer answers, in WinExec's terms.
constexpr int kViewerStarted = 33;

// The path with every pair of consecutive backslashes made one, left to right without overlap,
// character by character in the system code page (a trail byte is never taken for a backslash).
// The two backslashes that open a network path stay: one alone would root it on the current drive.
std::string CollapseDoubledBackslashes(const std::string& path);

// Whether a folder setting names one place whatever the host's current drive and folder: a drive
// letter with its root ("D:\Viewer") or a network path ("\\server\share"). Anything else
// would resolve against the shell's current directory, which any folder being browsed can be.
bool IsFullyQualifiedPath(const std::string& path);

}  // namespace dravik
