// Whole captures as a user makes them: xdotool drives the real pointer, buttons and keys; the real
// module, loaded into this process, hosts the capture here and runs its hooks in every process that
// gets input; another process owns the window under the pointer and logs what reaches it. Points
// are the platform's screen coordinates (negative on a monitor left of the primary one), so the
// same steps run on one monitor or on several.
#pragma once

#include <gtest/gtest.h>
#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <map>
#include <string>
#include <vector>

#include "exports.h"
#include "frame_fixture.h"
#include "screen_pixels.h"
#include "shared_state.h"
#include "support/pe_section.h"
#include "test_support.h"
#include "win32/com_apartment.h"
#include "x_display.h"

namespace zentap_test {

// Handles this thread's messages (unless the host is to stay deaf) until `done` holds; false when
// it did not within thirty seconds (a loaded machine, with both targets' suites running side by
// side, takes far longer than a quiet one).
template <typename Condition>
bool WaitUntil(Condition done, bool dispatch = true) {
    for (const DWORD start = GetTickCount(); !done();) {
        if (GetTickCount() - start > 30000) return false;
        if (dispatch)
            DispatchFor(10);
        else
            Sleep(10);
    }
    return true;
}

// xdotool counts from the virtual screen's top-left corner.
inline std::string XPoint(POINT p) {
    return std::to_string(p.x - GetSystemMetrics(SM_XVIRTUALSCREEN)) + " " +
           std::to_string(p.y - GetSystemMetrics(SM_YVIRTUALSCREEN));
}

// Runs xdotool to its end (x_display.h).
inline void Xdotool(const std::string& arguments, bool dispatch = true) {
    EXPECT_TRUE(test_support::XDoTool(arguments, dispatch)) << "xdotool " << arguments;
}

inline void MoveTo(POINT p, bool dispatch = true) { Xdotool("mousemove " + XPoint(p), dispatch); }
// The click comes with the move, before the frame can follow the pointer there: it lands on the
// window under the point.
inline void ClickAt(POINT p, bool dispatch = true) { Xdotool("mousemove " + XPoint(p) + " click 1", dispatch); }

// Keys go to the active window: a right click, which no rule takes, makes the window at p active
// before `keys` (xdotool's commands) are sent.
inline void KeysAt(POINT p, const std::string& keys) {
    const HWND target = GetAncestor(WindowFromPoint(p), GA_ROOT);  // before a frame can follow the pointer
    Xdotool("mousemove " + XPoint(p) + " click 3");
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == target; }));
    Xdotool(keys);
}

// A Ctrl+click at p, Ctrl going to the window at activateAt. The key may come in through another
// process than the click, so each goes out once the system has taken the one before.
inline void CtrlClickAt(POINT activateAt, POINT p) {
    KeysAt(activateAt, "keydown ctrl");
    EXPECT_TRUE(WaitUntil([] { return GetAsyncKeyState(VK_CONTROL) < 0; }));
    ClickAt(p);
    Xdotool("keyup ctrl");
    EXPECT_TRUE(WaitUntil([] { return GetAsyncKeyState(VK_CONTROL) >= 0; }));
}

// The shared blocks as every process of the capture sees them.
inline zentap::CaptureRecord Record() {
    zentap::CaptureRecord record = {};
    zentap::ReadCaptureRecord(record);
    return record;
}

inline bool Outlines(const RECT& r) {
    zentap::LastArea area = {};
    return zentap::ReadLastArea(area) && SameArea(area, r);
}

// The window of another process at `place`: it shows the pattern and logs the input it gets. The
// program comes from `binDir`, the other target's for a process of the other kind.
class InputRecorder {
public:
    explicit InputRecorder(const RECT& place, const std::string& binDir = test_support::BinDir())
        : m_log(m_dir / "input.txt"),
          m_peer(binDir + "input_recorder.exe " + std::to_string(place.left) + " " + std::to_string(place.top) + " " +
                 std::to_string(place.right) + " " + std::to_string(place.bottom) + " " + m_log + " " +
                 m_ready.name() + " " + m_quit.name()) {
        m_shown = m_peer.started() && m_ready.Wait();
    }
    bool shown() const { return m_shown; }
    DWORD process() const { return GetProcessId(m_peer.handle()); }
    std::string Log() const { return test_support::ReadWholeFile(m_log); }

    // What reached the window before a right click and a key at p, which no hook holds back: input
    // reaches a thread in order, so once they are logged everything sent before them is.
    std::string InputBefore(POINT p) {
        const size_t logged = Log().size();
        KeysAt(p, "key a");
        EXPECT_TRUE(WaitUntil([&] { return Log().find("key 65", logged) != std::string::npos; }));
        const std::string log = Log();
        return log.substr(0, log.rfind("right"));
    }

private:
    test_support::ScopedTempDir m_dir;
    std::string m_log;
    test_support::NamedEvent m_ready;
    test_support::NamedEvent m_quit;
    test_support::ChildProcess m_peer;
    bool m_shown = false;
};

// The real module in this process, hosting captures with a window of this thread that counts the
// done and cancel messages.
class ZentapHost {
public:
    static constexpr UINT kDone = WM_APP + 1;
    static constexpr UINT kCancel = WM_APP + 2;

    ZentapHost() { Load(); }
    ~ZentapHost() {
        if (m_window) DestroyWindow(m_window);
    }

    bool Load() {
        m_module.reset(LoadLibraryA(zentap::kModuleFileName));
        return m_module && m_exports.Bind(m_module.get());
    }
    void Unload() { m_module.reset(); }
    HMODULE module() const { return m_module.get(); }
    const zentap::Exports& exports() const { return m_exports; }

    std::string Hook(const char* useType) {
        if (!m_window) CreateNotifyWindow();
        done = cancel = 0;
        return m_exports.hookScreenShot(m_window, kDone, kCancel, useType);
    }
    void Unhook() { m_exports.unhookScreenShot(); }
    Pixels Picture() const { return Pixels::OfBitmap(m_exports.getCurrentScreenBmp()); }
    void DestroyNotifyWindow() {
        DestroyWindow(m_window);
        m_window = nullptr;
    }

    int done = 0;
    int cancel = 0;

private:
    void CreateNotifyWindow() {
        m_window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_static = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ZentapHost::WindowProc)));
    }
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ZentapHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == kDone) ++self->done;
        if (message == kCancel) ++self->cancel;
        return CallWindowProcA(self->m_static, window, message, wParam, lParam);
    }

    win32::unique_hmodule m_module;
    zentap::Exports m_exports;
    HWND m_window = nullptr;
    WNDPROC m_static = nullptr;
};

// What a capture left: the host's status and messages, the record's choice and the picture.
struct CaptureResult {
    std::string status;
    bool chosen = false;  // the host heard of a choice in time
    int doneMessages = 0;
    int cancelMessages = 0;
    zentap::CaptureRect selection = {};  // the record's, read before the host ended the capture
    Pixels picture;                      // what GetCurrentScreenBMP gave after unhook_screen_shot
};

// Waits for the choice, lets a few more ticks pass (none may tell the host again), then ends the
// capture as a host does and takes the picture.
inline CaptureResult FinishCapture(ZentapHost& host, CaptureResult result) {
    result.chosen = WaitUntil([&] { return host.done > 0; });
    DispatchFor(200);
    result.selection = Record().selection;
    host.Unhook();
    result.picture = host.Picture();
    result.doneMessages = host.done;
    result.cancelMessages = host.cancel;
    return result;
}

// The steps of a "select" capture, whichever process hosts it: a click at `first`, which must lie
// off the frame at the pointer's place when the capture starts, a move to `second` and a click
// there. Each click is sent once, and each step is awaited in the shared blocks before the next;
// false when one did not show.
inline bool DragSelect(POINT first, POINT second) {
    ClickAt(first);
    if (!WaitUntil([] { return Record().phase == 1; })) return false;
    MoveTo(second);
    if (!WaitUntil([&] { return Outlines(RECT{first.x - 10, first.y - 10, second.x, second.y}); })) return false;
    Xdotool("click 1");
    return true;
}

// A "select" capture hosted here.
inline CaptureResult SelectCapture(ZentapHost& host, POINT first, POINT second) {
    CaptureResult result;
    result.status = host.Hook(zentap::kModeSelect);
    if (result.status != zentap::kStatusOk || !DragSelect(first, second)) return result;
    return FinishCapture(host, result);
}

// An "object" capture: the pointer rests at `at` until the frame outlines the window there, then a
// Ctrl+click chooses it.
inline CaptureResult ObjectCapture(ZentapHost& host, POINT at) {
    CaptureResult result;
    result.status = host.Hook(zentap::kModeObject);
    if (result.status != zentap::kStatusOk) return result;
    MoveTo(at);
    RECT window = {};
    GetWindowRect(WindowFromPoint(at), &window);
    if (WaitUntil([&] { return Outlines(window); })) CtrlClickAt(at, at);
    return FinishCapture(host, result);
}

// A picture file decoded with the platform's codecs.
inline Pixels ReadPictureFile(const std::string& path) {
    using Microsoft::WRL::ComPtr;
    win32::com_apartment com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateDecoderFromFilename(std::wstring(path.begin(), path.end()).c_str(), nullptr,
                                                  GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)))
        return Pixels();
    UINT width = 0, height = 0;
    frame->GetSize(&width, &height);
    std::vector<DWORD> bits(static_cast<size_t>(width) * height);
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4, reinterpret_cast<BYTE*>(bits.data()))))
        return Pixels();
    win32::unique_hbitmap picture(CreateBitmap(width, height, 1, 32, bits.data()));
    return Pixels::OfBitmap(picture.get());
}

// The viewer hosting captures in processes of its own, each saving its picture and its report in
// one scratch folder; from the other target's build, a viewer of the other kind (32-bit beside
// 64-bit) with its own kind's module.
class ViewerHost {
public:
    explicit ViewerHost(std::string binDir = test_support::BinDir()) : m_binDir(std::move(binDir)) {}
    std::string Command(const char* useType) const {
        return m_binDir + "Lumorex.exe /capture " + std::string(useType) + " " + picturePath() + " /report " +
               m_dir / "report.txt";
    }
    std::string picturePath() const { return m_dir / "capture.png"; }
    std::map<std::string, std::string> Report() const { return test_support::ReadReport(m_dir / "report.txt"); }

private:
    std::string m_binDir;
    test_support::ScopedTempDir m_dir;
};

// A "select" capture hosted by the viewer: the picture is the file it saved.
inline CaptureResult ViewerSelectCapture(const ViewerHost& viewer, POINT first, POINT second) {
    CaptureResult result;
    DeleteFileA(viewer.picturePath().c_str());
    test_support::ChildProcess process(viewer.Command(zentap::kModeSelect));
    if (!WaitUntil([] { return IsWindow(zentap::AsWindow(Record().frameWnd)) != FALSE; }) ||
        !DragSelect(first, second))
        return result;
    result.chosen = process.Wait() == 0;
    result.status = viewer.Report()["status"];
    result.picture = ReadPictureFile(viewer.picturePath());
    return result;
}

// A capture hosted by another thread of this process: the thread starts it through the module's
// exports with a notify window of its own, then handles its messages, stops handling them, or
// ends, as it is told; it never ends the capture itself.
class CaptureThread {
public:
    CaptureThread(const zentap::Exports& exports, const char* useType) : m_exports(exports), m_useType(useType) {
        m_thread.reset(CreateThread(nullptr, 0, &CaptureThread::Run, this, 0, nullptr));
        WaitForSingleObject(m_started.get(), 10000);
    }
    ~CaptureThread() { End(); }
    CaptureThread(const CaptureThread&) = delete;
    CaptureThread& operator=(const CaptureThread&) = delete;

    const std::string& status() const { return m_status; }
    LONG done() const { return m_done; }
    bool Running() const { return WaitForSingleObject(m_thread.get(), 0) == WAIT_TIMEOUT; }

    // At the next cancel message the thread stays in its handler for `ms`, handling nothing.
    void BusyInNextCancel(DWORD ms) { InterlockedExchange(&m_cancelBusyMs, static_cast<LONG>(ms)); }
    bool WaitUntilInCancelHandler() { return WaitForSingleObject(m_inCancel.get(), 30000) == WAIT_OBJECT_0; }
    bool WaitUntilOutOfCancelHandler() { return WaitForSingleObject(m_outOfCancel.get(), 30000) == WAIT_OBJECT_0; }

    void Pump() { Tell(kPump); }
    // Returns once the thread waits without handling messages.
    void Block() {
        ResetEvent(m_blocked.get());
        Tell(kBlock);
        WaitForSingleObject(m_blocked.get(), 10000);
    }
    // The thread returns from its procedure, in the middle of its capture.
    void End() {
        Tell(kEnd);
        WaitForSingleObject(m_thread.get(), 10000);
    }
    // Ended from outside while it waits: a thread ended in the middle of a call may leave a lock of
    // the process taken for good.
    void Terminate() {
        Block();
        TerminateThread(m_thread.get(), 1);
        WaitForSingleObject(m_thread.get(), 10000);
    }

private:
    enum Command : LONG { kPump, kBlock, kEnd };

    void Tell(Command command) {
        InterlockedExchange(&m_command, command);
        SetEvent(m_wake.get());
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CaptureThread*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message == ZentapHost::kDone) InterlockedIncrement(&self->m_done);
        const bool cancel = self && message == ZentapHost::kCancel;
        if (const LONG busyMs = cancel ? InterlockedExchange(&self->m_cancelBusyMs, 0) : 0) {
            SetEvent(self->m_inCancel.get());
            Sleep(static_cast<DWORD>(busyMs));
            SetEvent(self->m_outOfCancel.get());
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    static DWORD WINAPI Run(void* parameter) {
        auto* self = static_cast<CaptureThread*>(parameter);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &CaptureThread::WindowProc;
        windowClass.lpszClassName = "ZentapTestCaptureThread";
        RegisterClassA(&windowClass);
        const HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                            nullptr, nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_status = self->m_exports.hookScreenShot(window, ZentapHost::kDone, ZentapHost::kCancel, self->m_useType);
        SetEvent(self->m_started.get());
        const HANDLE wake = self->m_wake.get();
        for (;;) {
            const LONG command = self->m_command;
            if (command == kEnd) return 0;
            if (command == kBlock) {
                SetEvent(self->m_blocked.get());
                WaitForSingleObject(wake, INFINITE);
                continue;
            }
            MsgWaitForMultipleObjects(1, &wake, FALSE, INFINITE, QS_ALLINPUT);
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        }
    }

    const zentap::Exports& m_exports;
    const char* m_useType;
    std::string m_status;
    LONG m_done = 0;
    LONG m_cancelBusyMs = 0;
    LONG m_command = kPump;
    win32::unique_handle m_started{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    win32::unique_handle m_wake{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    win32::unique_handle m_blocked{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    win32::unique_handle m_inCancel{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    win32::unique_handle m_outOfCancel{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    win32::unique_handle m_thread;
};

// The scene of captures on one monitor: the pattern over the screen, a window of another process
// that logs the input reaching it, the real module loaded here, and the viewer as another host.
class CaptureOnScreen : public ::testing::Test {
protected:
    static constexpr RECT kRecorderPlace = {200, 150, 800, 600};
    // Points inside the recorder: where the pointer rests, the first click, the end of the drag.
    static constexpr POINT kRest = {300, 200}, kFirst = {500, 300}, kSecond = {700, 450};
    static constexpr RECT kDragArea = {490, 290, 700, 450};

    void SetUp() override {
        ASSERT_TRUE(m_pattern.shown() && m_recorder.shown()) << "the windows beneath did not come up";
        ASSERT_TRUE(m_host.module() && m_host.exports().hookScreenShot) << "Zentap.dll with its exports";
        MoveTo(kRest);
    }
    void TearDown() override {
        if (m_host.module()) m_host.Unhook();
    }

    zentap::SharedState& Shared() const {
        return *reinterpret_cast<zentap::SharedState*>(
            test_support::FindLoadedSection(m_host.module(), ".Zentapx").address);
    }

    // Whether a click reaches the recorder: no hook holds it back. It lands away from the points
    // above, lest a click there soon after count as the second of a double click. (Close behind
    // another such check, it is one itself.)
    bool ClickReachesTheWindow() {
        const size_t logged = m_recorder.Log().size();
        ClickAt(POINT{260, 560});
        return WaitUntil([&] {
            const std::string log = m_recorder.Log();
            return log.find("press", logged) != std::string::npos || log.find("double", logged) != std::string::npos;
        });
    }

    PatternScreen m_pattern;
    InputRecorder m_recorder{kRecorderPlace};
    ZentapHost m_host;
    ViewerHost m_viewer;
};

}  // namespace zentap_test
