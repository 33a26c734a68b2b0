#include "host_options.h"

#include <cstdlib>
#include <cstring>

namespace shellhost {
namespace {

// The path as the shell holds it: full, from the drive on.
std::string FullPath(const char* path) {
    const DWORD needed = GetFullPathNameA(path, 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::string full(needed, '\0');
    full.resize(GetFullPathNameA(path, needed, &full[0], nullptr));
    return full;
}

}  // namespace

std::string ParentFolder(const std::string& path) {
    // A folder's path may end in its own backslash, which is not the one before its name.
    return path.substr(0, path.find_last_of('\\', path.size() - 2) + 1);
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ParseHostOptions(int argc, char** argv, HostOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argument, "/report") == 0 && hasValue) {
            options.reportPath = argv[++i];
        } else if (std::strcmp(argument, "/layout") == 0 && hasValue) {
            options.layoutPath = argv[++i];
        } else if (std::strcmp(argument, "/timeout") == 0 && hasValue) {
            char* end = nullptr;
            const unsigned long timeout = std::strtoul(argv[++i], &end, 10);
            if (*end || timeout == 0) return std::string("not a time in milliseconds: ") + argv[i];
            options.timeoutMs = timeout;
        } else if (argument[0] == '/') {
            return std::string("unknown option ") + argument;
        } else {
            const std::string path = FullPath(argument);
            if (path.empty() || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
                return std::string("no such file or folder: ") + argument;
            options.paths.push_back(path);
        }
    }
    if (options.paths.empty())
        return "usage: ShellHost.exe [/report <file>] [/layout <file>] [/timeout <ms>] <path>...";
    return {};
}

}  // namespace shellhost
