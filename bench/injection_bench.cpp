// What a capture costs a process that input reaches for the first time: the system maps the hook
// module into it, by the path the host's hooks name, and calls the hook procedure. Each round
// starts a new process, which shows a window under the pointer, sends itself a mouse move and
// takes the message; the time from the input to the message holds the module's load and the first
// hook call. Timed in neighbouring pairs:
//   baseline  the hooks of BareHook.dll, a module of two functions that pass everything on, built
//             as Zentap.dll is, set as a capture sets its own;
//   zentap    the hooks of a real "object" capture that this program hosts.
// Bound: within 1.5 times the baseline (the median of the pairs' ratios). Both modules' sizes are
// printed. Needs a display.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "bench_timing.h"
#include "exports.h"
#include "win32/module_path.h"
#include "win32/unique_handle.h"
#include "win32/window_class.h"

namespace {

constexpr double kBound = 1.5;
constexpr int kRounds = 41;
constexpr char kBareModule[] = "BareHook.dll";
constexpr char kProbe[] = "probe";
constexpr char kWindowClass[] = "injection bench window";
// The probe's window, and the two points of it the pointer is moved to in turn.
constexpr int kLeft = 100, kTop = 100, kSide = 200;
constexpr int kPointY = kTop + kSide / 2;
constexpr int kPointsX[] = {kLeft + kSide / 4, kLeft + 3 * kSide / 4};
constexpr DWORD kProbeTimeoutMs = 30000;
constexpr UINT kDoneMessage = WM_APP + 1, kCancelMessage = WM_APP + 2;

// In the new process: the exit code is the microseconds from the input to the mouse message, or
// 0 when the module was there before the input or not after it, or no message came.
DWORD Probe(const char* module, int x) {
    if (GetModuleHandleA(module)) return 0;
    if (!win32::register_window_class(kWindowClass, DefWindowProcA, nullptr)) return 0;
    const HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kWindowClass, "",
                                        WS_POPUP | WS_VISIBLE, kLeft, kTop, kSide, kSide, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
    if (!window) return 0;
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(kPointY, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;

    const double start = bench::NowMs();
    if (SendInput(1, &input, sizeof(input)) != 1) return 0;
    MSG message;
    while (!PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
        if (bench::NowMs() - start > kProbeTimeoutMs) return 0;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_MOUSE);
    }
    const double elapsedMs = bench::NowMs() - start;
    if (!GetModuleHandleA(module)) return 0;
    return std::max<DWORD>(1, static_cast<DWORD>(elapsedMs * 1000.0));
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// Lets this thread's windows and timers run for a while.
void PumpFor(DWORD ms) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < ms;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
}

// Runs a probe for the module while this thread keeps dispatching (the capture's frame and timer
// live here); its time in milliseconds, or a negative value when it failed.
double RunProbe(const std::string& self, const char* module) {
    static int moves = 0;
    const int x = kPointsX[moves++ % 2];  // a move to where the pointer already is brings no message
    std::string command = "\"" + self + "\" " + kProbe + " " + module + " " + std::to_string(x);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return -1;
    const win32::unique_handle process(started.hProcess), thread(started.hThread);
    while (MsgWaitForMultipleObjects(1, &started.hProcess, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) Pump();
    DWORD microseconds = 0;
    GetExitCodeProcess(process.get(), &microseconds);
    return microseconds ? microseconds / 1000.0 : -1;
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], kProbe) == 0) return static_cast<int>(Probe(argv[2], std::atoi(argv[3])));

    const std::string self = win32::module_file_name(nullptr);
    const std::string folder = self.substr(0, self.find_last_of('\\') + 1);
    const std::string zentapPath = folder + zentap::kModuleFileName, barePath = folder + kBareModule;
    const auto load = [](const std::string& path) {
        return win32::unique_hmodule(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    };
    const win32::unique_hmodule zentapModule = load(zentapPath), bareModule = load(barePath);
    zentap::Exports capture;
    const auto bareMouse = win32::proc_address<HOOKPROC>(bareModule.get(), "BareMouseHook");
    const auto bareKeyboard = win32::proc_address<HOOKPROC>(bareModule.get(), "BareKeyboardHook");
    if (!capture.Bind(zentapModule.get()) || !bareMouse || !bareKeyboard) {
        std::fprintf(stderr, "cannot load %s and %s with their exports\n", zentapPath.c_str(), barePath.c_str());
        return 1;
    }
    const HWND host = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);

    // Each side sets its hooks, runs one probe and takes them away again.
    const std::function<double()> zentapSide = [&] {
        const char* status = capture.hookScreenShot(host, kDoneMessage, kCancelMessage, "object");
        if (std::strcmp(status, zentap::kStatusOk) != 0) {
            std::fprintf(stderr, "the capture did not start: %s\n", status);
            return -1.0;
        }
        PumpFor(200);  // the first ticks place the frame
        const double ms = RunProbe(self, zentap::kModuleFileName);
        capture.unhookScreenShot();
        return ms;
    };
    const std::function<double()> bareSide = [&] {
        const HHOOK mouse = SetWindowsHookExA(WH_MOUSE, bareMouse, bareModule.get(), 0);
        const HHOOK keyboard = SetWindowsHookExA(WH_KEYBOARD, bareKeyboard, bareModule.get(), 0);
        PumpFor(200);
        const double ms = mouse && keyboard ? RunProbe(self, kBareModule) : -1.0;
        if (mouse) UnhookWindowsHookEx(mouse);
        if (keyboard) UnhookWindowsHookEx(keyboard);
        return ms;
    };

    bench::Pairs pairs;
    for (int round = 0; round < kRounds; ++round) {
        double measured = 0, baseline = 0;
        if (round % 2 == 0) {
            measured = zentapSide();
            baseline = bareSide();
        } else {
            baseline = bareSide();
            measured = zentapSide();
        }
        if (measured < 0 || baseline < 0) {
            std::fprintf(stderr, "a probe failed in round %d (zentap %.3f, bare %.3f)\n", round, measured, baseline);
            return 1;
        }
        pairs.measured.push_back(measured);
        pairs.baseline.push_back(baseline);
    }

    bench::ReportHeader("bare ms", "zentap ms");
    bench::Report("first input of a process: load and first hook", pairs, kBound);
    std::printf("%-44s %12lld %12lld bytes\n", "module sizes (bare, Zentap.dll)", FileSize(barePath),
                FileSize(zentapPath));
    return 0;
}
