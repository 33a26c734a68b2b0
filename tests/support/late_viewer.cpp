// Stands in for the viewer where a test puts it as Lumorex.exe with Dravik.dll beside it, and reads
// the shared file list only when told to: the way a viewer slow to start reads it after the shell
// has unloaded the handler that wrote it. Waits (at most a minute) for the event named in
// LUMOREX_READ_WHEN, or not at all without one, then reads both lists as the viewer does and writes
// "list=<text>" and "wide list=<text in UTF-8>", or "error=<why>", to the file named in
// LUMOREX_VIEWER_REPORT.
#include <windows.h>

#include <string>

#include "handler_request.h"
#include "samples/files.h"
#include "win32/unique_handle.h"

namespace {

std::string Variable(const char* name) {
    std::string value(GetEnvironmentVariableA(name, nullptr, 0), '\0');
    value.resize(GetEnvironmentVariableA(name, &value[0], static_cast<DWORD>(value.size())));
    return value;
}

}  // namespace

int main() {
    const std::string report = Variable("LUMOREX_VIEWER_REPORT");
    if (report.empty()) return 2;
    const std::string readWhen = Variable("LUMOREX_READ_WHEN");
    if (!readWhen.empty()) {
        const win32::unique_handle told(OpenEventA(SYNCHRONIZE, FALSE, readWhen.c_str()));
        if (!told) return 3;
        WaitForSingleObject(told.get(), 60000);
    }
    lumorex::FileList list, wideList;
    std::string error = lumorex::ReadFileList(list);
    if (error.empty()) error = lumorex::ReadWideFileList(wideList);
    const std::string lines =
        error.empty() ? "list=" + list.text + "\nwide list=" + wideList.text + "\n" : "error=" + error + "\n";
    return samples::ReplaceWholeFile(report, lines) ? 0 : 4;
}
