#include "host_options.h"

#include <cwchar>

#include "win32/code_page.h"

namespace shellhost {
namespace {

// The path as the shell holds it: full, from the drive on.
std::wstring FullPath(const wchar_t* path) {
    const DWORD needed = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    full.resize(GetFullPathNameW(path, needed, &full[0], nullptr));
    return full;
}

std::string Narrow(const wchar_t* text) { return win32::narrow(text, std::wcslen(text)); }

}  // namespace

std::wstring ParentFolder(const std::wstring& path) {
    // A folder's path may end in its own backslash, which is not the one before its name.
    return path.substr(0, path.find_last_of(L'\\', path.size() - 2) + 1);
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ParseHostOptions(int argc, wchar_t** argv, HostOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const wchar_t* argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::wcscmp(argument, L"/report") == 0 && hasValue) {
            options.reportPath = Narrow(argv[++i]);
        } else if (std::wcscmp(argument, L"/layout") == 0 && hasValue) {
            options.layoutPath = Narrow(argv[++i]);
        } else if (std::wcscmp(argument, L"/timeout") == 0 && hasValue) {
            wchar_t* end = nullptr;
            const unsigned long timeout = std::wcstoul(argv[++i], &end, 10);
            if (*end || timeout == 0) return "not a time in milliseconds: " + Narrow(argv[i]);
            options.timeoutMs = timeout;
        } else if (argument[0] == L'/') {
            return "unknown option " + Narrow(argument);
        } else {
            const std::wstring path = FullPath(argument);
            if (path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
                return "no such file or folder: " + Narrow(argument);
            options.paths.push_back(path);
        }
    }
    if (options.paths.empty())
        return "usage: ShellHost.exe [/report <file>] [/layout <file>] [/timeout <ms>] <path>...";
    return {};
}

}  // namespace shellhost
