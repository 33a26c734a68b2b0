// Lumorex.exe: shows what the handler handed over (its command line and the shared file list), or,
// with /capture, hosts a screen capture.
#include <windows.h>

#include "capture_host.h"
#include "selection_view.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    const char* commandLine = GetCommandLineA();
    if (lumorex::IsCaptureCommand(commandLine)) return lumorex::HostCapture(commandLine);
    return lumorex::ShowSelection(commandLine, GetCommandLineW(), show);
}
