// What a capture costs where it runs most often or matters most.
//
// The mouse hook runs for every mouse message of every thread on the desktop while a capture is
// active. Timed per call, in alternating rounds:
//   pass-through  a bare hook that only passes the message on;
//   move          the capture's hook on WM_MOUSEMOVE during a "select" capture;
//   press         the capture's hook on a left press during an "object" capture without Ctrl
//                 (the record is read under its lock, and the press passes);
//   queries       one pointer query and one window-from-point query, which the hook spares moves.
// The frame's grab: the frame outlining a 640 x 480 area is told to grab it, against a raw copy of
// the same area into a new bitmap; and, for the record, the grab as a capture makes it, the frame
// hidden by the choice and shown again after the copy.
// Both sides of a comparison are timed in turn, many times; the ratio reported is the median of the
// ratios of neighbouring pairs, so that a machine busy with other work weighs on both sides alike.
// The hook on a move should stay within 1.1 times the pass-through, the grab within 1.2 times the
// raw copy.
#include <windows.h>

#include <cstdio>
#include <vector>

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

int main() {
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
    grabs.Report("frame grab 640x480 / raw BitBlt", 1.2);
    std::printf("%-44s %10.3f us\n", "frame grab 640x480, frame hidden by the choice", Median(grabsAfterChoice));
    frame.DestroyWindow();
    return 0;
}
