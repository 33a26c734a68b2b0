#include <windows.h>

#include <cstring>
#include <string>

#include "handler/debug_log.h"
#include "handler/pmenu.h"
#include "outside/viewer.h"
#include "preview/file_list.h"
#include "win32/code_page.h"
#include "win32/module_path.h"
#include "win32/unique_handle.h"

namespace dravik {
namespace {

// The executable path (unquoted), then the keyword, the folder field and the list field, each in
// double quotes: "%s  \"%s\"   \"%s\"   \"%s\"   ". In UTF-16, so that a path arrives exactly
// wherever that hands no ANSI reader a best fit (CommandLinePath).
std::wstring FormatCommandLine(const std::wstring& executable, const char* keyword, const std::wstring& folderField,
                               const char* listField) {
    return executable + L"  \"" + win32::widen(keyword, std::strlen(keyword)) + L"\"   \"" + folderField + L"\"   \"" +
           win32::widen(listField, std::strlen(listField)) + L"\"   ";
}

// The value WinExec gives for the error CreateProcess met.
int WinExecError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return static_cast<int>(error);
        case ERROR_BAD_EXE_FORMAT: return ERROR_BAD_FORMAT;
        default: return 0;
    }
}

}  // namespace

bool IsFullyQualifiedPath(const std::wstring& path) {
    const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const wchar_t drive = static_cast<wchar_t>(path.empty() ? 0 : path[0] | 0x20);
    if (path.size() >= 3 && drive >= L'a' && drive <= L'z' && path[1] == L':' && separator(path[2])) return true;
    return path.size() >= 3 && separator(path[0]) && separator(path[1]) && !separator(path[2]);
}

std::wstring CollapseDoubledBackslashes(const std::wstring& path) {
    std::wstring result;
    result.reserve(path.size());
    size_t i = IsFullyQualifiedPath(path) && path[0] == L'\\' && path[1] == L'\\' ? 2 : 0;
    result.append(path, 0, i);
    for (; i < path.size(); ++i) {
        result += path[i];
        if (path[i] == L'\\' && i + 1 < path.size() && path[i + 1] == L'\\') ++i;
    }
    return result;
}

std::wstring CommandLinePath(const std::wstring& path, const std::string& ansi) {
    return win32::narrow(path) == ansi ? path : win32::widen(ansi);
}

int CPMenu::LaunchViewer(const char* keyword, const std::wstring& folderField, const std::string& ansiFolderField,
                         const char* listField) {
    // An empty folder would make the path "\Lumorex.exe", and a relative one a path under the
    // shell's current folder: whatever lies there, on a stick, a share or in a download, would run.
    if (m_mainPath.empty()) {
        DebugLog("no viewer folder set: viewer not started");
        return ERROR_PATH_NOT_FOUND;
    }
    if (!IsFullyQualifiedPath(m_mainPath)) {
        DebugLog("viewer folder is not a full path: viewer not started");
        return ERROR_PATH_NOT_FOUND;
    }
    const std::wstring executable = CollapseDoubledBackslashes(m_mainPath + kViewerFileName);
    std::string ansiExecutable;
    win32::ansi_path_of(executable, ansiExecutable);
    std::wstring commandLine = FormatCommandLine(CommandLinePath(executable, ansiExecutable), keyword,
                                                 CommandLinePath(folderField, ansiFolderField), listField);
    DebugLog("*****");
    DebugLog("REC : %s ", win32::narrow(commandLine).c_str());

    // The executable is named on its own: the system then never tries the prefixes of a path with
    // spaces (C:\Program.exe for C:\Program Files\...). The command line keeps it unquoted, as
    // the viewer parses it. The viewer starts in its own folder, not in the shell's current one
    // (often the folder being browsed), where anything it loads by bare name could be planted.
    const std::wstring viewerFolder = executable.substr(0, executable.find_last_of(L"\\/") + 1);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(executable.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, viewerFolder.c_str(),
                        &startup, &process))
        return WinExecError(GetLastError());
    // The handler neither waits for the viewer nor keeps it: both handles close here.
    const win32::unique_handle thread(process.hThread);
    const win32::unique_handle started(process.hProcess);
    LendFileListTo(started.get());
    return kViewerStarted;
}

}  // namespace dravik
