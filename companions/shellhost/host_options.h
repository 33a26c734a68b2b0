// What the host is asked to do, from its command line:
//   ShellHost.exe [/report <file>] [/layout <file>] [/timeout <ms>] <path>...
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace shellhost {

struct HostOptions {
    std::vector<std::string> paths;  // the selection, as full paths, in the shell's order
    std::string reportPath;          // what happened, as "name=value" lines, written at the end
    std::string layoutPath;          // where the open menus' entries are on the screen, kept current
    DWORD timeoutMs = 60000;         // the menu closes by itself after this, and the host stops waiting
};

// Empty on success; otherwise what is wrong with the arguments.
std::string ParseHostOptions(int argc, char** argv, HostOptions& options);

// The folder that holds the item at the full path, with its closing backslash.
std::string ParentFolder(const std::string& path);

bool IsFolder(const std::string& path);

}  // namespace shellhost
