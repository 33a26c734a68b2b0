// What the host is asked to do, from its command line:
//   ShellHost.exe [/report <file>] [/layout <file>] [/timeout <ms>] <path>...
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace shellhost {

struct HostOptions {
    std::vector<std::wstring> paths;  // the selection, as full paths, in the shell's order
    std::string reportPath;           // what happened, as "name=value" lines, written at the end
    std::string layoutPath;           // where the open menus' entries are on the screen, kept current
    DWORD timeoutMs = 60000;          // the menu closes by itself after this, and the host stops waiting
};

// Empty on success; otherwise what is wrong with the arguments. The arguments are UTF-16, as the
// shell names files in any script.
std::string ParseHostOptions(int argc, wchar_t** argv, HostOptions& options);

// The folder that holds the item at the full path, with its closing backslash.
std::wstring ParentFolder(const std::wstring& path);

bool IsFolder(const std::wstring& path);

}  // namespace shellhost
