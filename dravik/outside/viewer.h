// The outside viewer executable: where the handler looks for it and the command line it hands it.
#pragma once

#include <string>

namespace dravik {

// Appended to the "Main Path" setting.
constexpr wchar_t kViewerFileName[] = L"\\Lumorex.exe";

// What LaunchViewer answers, in WinExec's terms.
constexpr int kViewerStarted = 33;

// The path with every pair of consecutive backslashes made one, left to right without overlap.
// The two backslashes that open a network path stay: one alone would root it on the current drive.
std::wstring CollapseDoubledBackslashes(const std::wstring& path);

// Whether a folder setting names one place whatever the host's current drive and folder: a drive
// letter with its root ("D:\Viewer") or a network path ("\\server\share"). Anything else
// would resolve against the shell's current directory, which any folder being browsed can be.
bool IsFullyQualifiedPath(const std::wstring& path);

// What the viewer's command line carries for a path whose ANSI form (the one the ANSI list uses:
// exact, else through short names, else with "?") is `ansi`. A viewer that reads the line in the
// ANSI code page gets it converted by the system, best fits and all: the path itself goes on the
// line only where that conversion gives `ansi`, and otherwise `ansi` does, so that no reader ever
// gets a best fit that names another file.
std::wstring CommandLinePath(const std::wstring& path, const std::string& ansi);

}  // namespace dravik
