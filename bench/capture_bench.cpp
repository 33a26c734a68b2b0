// What a capture costs where it runs most often or matters most.
//
// The mouse hook runs for every mouse message of every thread on the desktop while a capture is
// active. Timed per call, in alternating rounds:
//   pass-through  a bare hook that only passes the message on;
//   move          the capture's hook on WM_MOUSEMOVE during a "select" capture;
//   press         the capture's hook on a left press during an "object" capture without Ctrl
//                 (the record is read under its lock, and the press passes);
//   queries       one pointer query and one window-from-point query, which the hook spares moves.
// A click on another application while another process holds the record's lock: a left press that
// an "object" capture lets pass, through the hook and on to the application's window procedure,
// against the same press with no capture running (no hook). For the record, a press that a "select"
// capture would take, with the lock held elsewhere: it waits for the lock as long as anybody does,
// then passes.
// The frame's grab: the frame outlining a 640 x 480 area is told to grab it, against a raw copy of
// the same area into a new bitmap; and, for the record, the grab as a capture makes it, the frame
// hidden by the choice and shown again after the copy.
// Both sides of a comparison are timed in turn, many times; the ratio reported is the median of the
// ratios of neighbouring pairs, so that a machine busy with other work weighs on both sides alike.
// The hook on a move should stay within 1.1 times the pass-through; the click within 2 times the
// click without a capture (the hook passes it on, as every hook does, and looks at the keys, but
// waits for no lock); the grab within 1.2 times the raw copy.
// Run as "capture_bench.exe hold-lock <locked event> <release event>", the program is the other
// process that holds the lock.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture_locks.h"
#include "capture_memory.h"
#include "frame_dlg.h"
#include "hook_procs.h"
#include "messages.h"
#include "bench_timing.h"

namespace {

using bench::Median;

double NowUs() { return 1000.0 * bench::NowMs(); }

// Microseconds per call of `work`, over `calls` calls.
template <typename Work>
double PerCall(int calls, Work work) {
    const double start = NowUs();
    for (int i = 0; i < calls; ++i) work();
    return (NowUs() - start) / calls;
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

void StartCapture(const char* mode, HWND frame) {
    zentap::CaptureRecord record = {};
    zentap::SetMode(record, mode);
    record.notifyWnd = record.frameWnd = zentap::WindowValue(frame);
    zentap::WriteCaptureRecord(record);
}

LRESULT CALLBACK BarePassThrough(int code, WPARAM message, LPARAM info) {
    return CallNextHookEx(nullptr, code, message, info);
}

// The other process: takes the lock, says so, and keeps it until told to let go.
int HoldLock(const char* lockedName, const char* releaseName) {
    const win32::unique_handle lock(CreateMutexA(nullptr, FALSE, zentap::kRecordLockName));
    const win32::unique_handle locked(OpenEventA(EVENT_MODIFY_STATE, FALSE, lockedName));
    const win32::unique_handle release(OpenEventA(SYNCHRONIZE, FALSE, releaseName));
    if (!lock || !locked || !release || WaitForSingleObject(lock.get(), 10000) != WAIT_OBJECT_0) return 1;
    SetEvent(locked.get());
    WaitForSingleObject(release.get(), 600000);
    ReleaseMutex(lock.get());
    return 0;
}

// This program started again as the holder of the lock, until the object goes.
class LockHolder {
public:
    LockHolder() {
        const std::string id = std::to_string(GetCurrentProcessId());
        const std::string locked = "capture_bench_locked_" + id, release = "capture_bench_release_" + id;
        m_locked.reset(CreateEventA(nullptr, TRUE, FALSE, locked.c_str()));
        m_release.reset(CreateEventA(nullptr, TRUE, FALSE, release.c_str()));
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string command = "\"" + std::string(self) + "\" hold-lock " + locked + " " + release;
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return;
        CloseHandle(process.hThread);
        m_process.reset(process.hProcess);
        const HANDLE either[] = {m_locked.get(), m_process.get()};
        m_holding = WaitForMultipleObjects(2, either, FALSE, 60000) == WAIT_OBJECT_0;
    }
    ~LockHolder() {
        SetEvent(m_release.get());
        if (m_process) WaitForSingleObject(m_process.get(), 60000);
    }
    bool holding() const { return m_holding; }

private:
    win32::unique_handle m_locked, m_release, m_process;
    bool m_holding = false;
};

// A window of this thread, standing for the application clicked: it takes the press.
LRESULT CALLBACK ApplicationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A press as the application gets it from its queue.
void DeliverPress(HWND application) {
    PostMessageA(application, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    MSG message;
    while (PeekMessageA(&message, application, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE)) DispatchMessageA(&message);
}

// Times of the measured work and of its baseline, taken in turn.
struct Pairs {
    std::vector<double> measured;
    std::vector<double> baseline;

    void Report(const char* what, double limit) const {
        std::vector<double> ratios;
        for (size_t i = 0; i < measured.size(); ++i) ratios.push_back(measured[i] / baseline[i]);
        const double ratio = Median(ratios);
        std::printf("%-44s %10.3f us %10.3f us %8.3f (at most %.1f: %s)\n", what, Median(measured),
                    Median(baseline), ratio, limit, ratio <= limit ? "met" : "MISSED");
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "hold-lock") == 0) return HoldLock(argv[2], argv[3]);
    zentap::CFrameDlg frame;
    frame.m_useType = zentap::kModeSelect;
    if (!frame.Create()) {
        std::fprintf(stderr, "no frame window\n");
        return 1;
    }
    MOUSEHOOKSTRUCT info = {};
    GetCursorPos(&info.pt);
    const auto infoParam = reinterpret_cast<LPARAM>(&info);

    constexpr int kCalls = 2000;
    Pairs moves;
    std::vector<double> press, queries;
    StartCapture(zentap::kModeSelect, frame.GetSafeHwnd());
    for (int round = 0; round < 201; ++round) {
        moves.baseline.push_back(PerCall(kCalls, [&] { BarePassThrough(HC_ACTION, WM_MOUSEMOVE, infoParam); }));
        moves.measured.push_back(PerCall(kCalls, [&] { zentap::MouseHookProc(HC_ACTION, WM_MOUSEMOVE, infoParam); }));
    }
    StartCapture(zentap::kModeObject, frame.GetSafeHwnd());
    for (int round = 0; round < 15; ++round) {
        press.push_back(PerCall(kCalls / 2, [&] { zentap::MouseHookProc(HC_ACTION, WM_LBUTTONDOWN, infoParam); }));
        queries.push_back(PerCall(kCalls / 2, [&] {
            POINT pointer;
            GetCursorPos(&pointer);
            WindowFromPoint(pointer);
        }));
    }

    // The click on another application, with no capture and with one whose lock another process holds.
    WNDCLASSA applicationClass = {};
    applicationClass.lpfnWndProc = ApplicationProc;
    applicationClass.lpszClassName = "CaptureBenchApplication";
    RegisterClassA(&applicationClass);
    const HWND application = CreateWindowExA(0, applicationClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                             nullptr, nullptr, nullptr);
    MOUSEHOOKSTRUCT click = info;
    click.hwnd = application;
    const auto clickParam = reinterpret_cast<LPARAM>(&click);
    Pairs clicks;
    std::vector<double> takenClicks;
    {
        LockHolder lock;
        if (!lock.holding()) {
            std::fprintf(stderr, "no process holds the lock\n");
            return 1;
        }
        StartCapture(zentap::kModeObject, frame.GetSafeHwnd());
        for (int round = 0; round < 101; ++round) {
            clicks.baseline.push_back(PerCall(kCalls / 4, [&] { DeliverPress(application); }));
            clicks.measured.push_back(PerCall(kCalls / 4, [&] {
                if (!zentap::MouseHookProc(HC_ACTION, WM_LBUTTONDOWN, clickParam)) DeliverPress(application);
            }));
        }
        StartCapture(zentap::kModeSelect, frame.GetSafeHwnd());
        for (int round = 0; round < 5; ++round)
            takenClicks.push_back(PerCall(4, [&] { zentap::MouseHookProc(HC_ACTION, WM_LBUTTONDOWN, clickParam); }));
    }
    DestroyWindow(application);

    const RECT area = {100, 100, 740, 580};
    frame.MoveFrame(area);
    win32::unique_window_dc screen(nullptr);
    Pairs grabs;
    std::vector<double> grabsAfterChoice;
    // Both sides end with the picture in a bitmap and every other object given back; the bitmap's
    // own deletion is left out of both.
    const auto grab = [&] {
        const double start = NowUs();
        SendMessageA(frame.GetSafeHwnd(), zentap::g_rectOkMessage, zentap::PackCorner(area.left, area.top),
                     static_cast<LPARAM>(zentap::PackCorner(area.right, area.bottom)));
        const double elapsed = NowUs() - start;
        DeleteObject(frame.TakeBitmap());
        return elapsed;
    };
    const auto rawCopy = [&] {
        const double start = NowUs();
        win32::unique_hbitmap copy;
        {
            win32::unique_window_dc source(nullptr);
            win32::unique_mem_dc memory(CreateCompatibleDC(source.get()));
            copy.reset(CreateCompatibleBitmap(source.get(), 640, 480));
            win32::scoped_select select(memory.get(), copy.get());
            BitBlt(memory.get(), 0, 0, 640, 480, source.get(), area.left, area.top, SRCCOPY);
        }
        return NowUs() - start;
    };
    // The window system settles between rounds, so that neither side pays for the other's changes
    // on the screen.
    const auto settle = [] {
        Pump();
        Sleep(5);
        Pump();
    };
    for (int round = 0; round < 61; ++round) {
        settle();
        grabs.measured.push_back(grab());
        settle();
        grabs.baseline.push_back(rawCopy());
    }
    for (int round = 0; round < 21; ++round) {
        settle();
        ShowWindow(frame.GetSafeHwnd(), SW_HIDE);
        grabsAfterChoice.push_back(grab());
    }

    std::printf("%-44s %13s %13s %8s\n", "", "measured", "baseline", "ratio");
    moves.Report("hook on WM_MOUSEMOVE / bare pass-through", 1.1);
    std::printf("%-44s %10.3f us\n", "hook on a left press (object capture)", Median(press));
    std::printf("%-44s %10.3f us\n", "pointer and window-from-point queries", Median(queries));
    clicks.Report("click, another process holds the lock / none", 2.0);
    std::printf("%-44s %10.3f us (the lock is waited for at most %lu ms)\n", "capture click, lock held elsewhere",
                Median(takenClicks), zentap::kRecordLockWaitMs);
    grabs.Report("frame grab 640x480 / raw BitBlt", 1.2);
    std::printf("%-44s %10.3f us\n", "frame grab 640x480, frame hidden by the choice", Median(grabsAfterChoice));
    frame.DestroyWindow();
    return 0;
}
