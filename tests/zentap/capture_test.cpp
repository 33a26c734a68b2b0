// Captures end to end on the display: xdotool drives the pointer and keys, another process owns the
// window under the pointer, and the real module hosts the capture here or in the viewer.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>

#include "capture_scenario.h"

using namespace zentap_test;

namespace {

bool Has(const std::string& log, const char* line) { return log.find(line) != std::string::npos; }

TEST_F(CaptureOnScreen, SelectCaptureGoesFromTheBoxAtThePointerThroughTheDragToAPictureOfTheArea) {
    ASSERT_EQ(m_host.Hook("select"), "ok");
    EXPECT_TRUE(WaitUntil([] { return Outlines(RECT{290, 190, 300, 200}); })) << "the 10 x 10 box at the pointer";

    CtrlClickAt(POINT{400, 250}, POINT{420, 260});  // off the frame, which follows the pointer
    EXPECT_TRUE(WaitUntil([&] { return Has(m_recorder.Log(), "release"); })) << "the release of a Ctrl+click passes";
    EXPECT_EQ(Record().phase, 0) << "a Ctrl+click off the frame counts for nothing";

    ClickAt(kFirst);
    ASSERT_TRUE(WaitUntil([] { return Record().phase == 1; }));
    EXPECT_EQ(Record().anchor.x, kFirst.x);
    EXPECT_EQ(Record().anchor.y, kFirst.y);
    MoveTo(kSecond);
    ASSERT_TRUE(WaitUntil([] { return Outlines(kDragArea); })) << "from 10 pixels above and left of the click";
    Xdotool("click 1");
    const CaptureResult result = FinishCapture(m_host, {});
    EXPECT_EQ(result.doneMessages, 1);
    EXPECT_EQ(result.cancelMessages, 0);
    EXPECT_TRUE(zentap::SameRect(result.selection, zentap::FromRect(kDragArea)));
    ASSERT_EQ(result.picture.width(), 210);
    ASSERT_EQ(result.picture.height(), 160);
    ExpectPatternFrom(result.picture, 490, 290);
    EXPECT_FALSE(Has(m_recorder.InputBefore(kRest), "press")) << "no press of the capture reached the window";

    // The picture stays the module's until the next unhook_screen_shot, which deletes it.
    win32::unique_window_dc screen(nullptr);
    win32::unique_mem_dc memory(CreateCompatibleDC(screen.get()));
    win32::unique_hbitmap copy(CreateCompatibleBitmap(screen.get(), 210, 160));
    {
        win32::scoped_select select(memory.get(), copy.get());
        EXPECT_EQ(m_host.exports().testDraw(memory.get()), 1);
    }
    ExpectPatternFrom(Pixels::OfBitmap(copy.get()), 490, 290);
    m_host.Unhook();
    EXPECT_EQ(m_host.exports().getCurrentScreenBmp(), nullptr);
    EXPECT_EQ(m_host.exports().testDraw(memory.get()), 0);

    const CaptureResult upAndLeft = SelectCapture(m_host, POINT{450, 400}, POINT{300, 250});
    ASSERT_TRUE(upAndLeft.chosen) << "a new capture after unhook_screen_shot";
    EXPECT_TRUE(zentap::SameRect(upAndLeft.selection, zentap::CaptureRect{440, 390, 300, 250}));
    ASSERT_EQ(upAndLeft.picture.width(), 140);
    ExpectPatternFrom(upAndLeft.picture, 300, 250);
}

TEST_F(CaptureOnScreen, ObjectCaptureLetsPlainClicksThroughAndChoosesTheWindowUnderACtrlClick) {
    ASSERT_EQ(m_host.Hook("object"), "ok");
    ClickAt(kFirst);
    EXPECT_TRUE(WaitUntil([&] { return Has(m_recorder.Log(), "press"); })) << "a plain click reaches the window";
    m_host.Unhook();

    const CaptureResult result = ObjectCapture(m_host, kFirst);
    ASSERT_TRUE(result.chosen);
    EXPECT_EQ(result.doneMessages, 1);
    EXPECT_TRUE(zentap::SameRect(result.selection, zentap::FromRect(kRecorderPlace)));
    ASSERT_EQ(result.picture.width(), 600);
    ASSERT_EQ(result.picture.height(), 450);
    ExpectPatternFrom(result.picture, 200, 150);
    const std::string input = m_recorder.InputBefore(kRest);
    EXPECT_EQ(input.find("press"), input.rfind("press")) << "only the plain click's press arrived: " << input;
}

TEST_F(CaptureOnScreen, EscapeCancelsAtEveryTickUntilUnhookAndNeverReachesTheFocusedWindow) {
    ASSERT_EQ(m_host.Hook("select"), "ok");
    KeysAt(kFirst, "key Escape");
    ASSERT_TRUE(WaitUntil([&] { return m_host.cancel >= 3; }));
    EXPECT_EQ(m_host.done, 0);
    m_host.Unhook();
    const int cancels = m_host.cancel;
    DispatchFor(300);
    EXPECT_EQ(m_host.cancel, cancels) << "no cancel after unhook_screen_shot";
    EXPECT_EQ(m_host.exports().getCurrentScreenBmp(), nullptr);
    EXPECT_FALSE(Has(m_recorder.InputBefore(kFirst), "key 27"));
}

TEST_F(CaptureOnScreen, EachRefusalHasItsTextAndOnlyTheLastEndsTheRunningCapture) {
    const char* const invalid[] = {nullptr, "", "Select", "select ", "objects", "OBJECT"};
    for (const char* useType : invalid) EXPECT_EQ(m_host.Hook(useType), "invalid usetype") << useType;
    ASSERT_EQ(m_host.Hook("select"), "ok");
    for (const char* useType : invalid) EXPECT_EQ(m_host.Hook(useType), "invalid usetype") << useType;
    EXPECT_EQ(m_host.Hook("object"), "doing the working");
    EXPECT_EQ(test_support::RunCommand(m_viewer.Command("object")), 2u) << "a second host";
    EXPECT_EQ(m_viewer.Report()["status"], "doing the working");
    EXPECT_EQ(test_support::RunProcess("capture_memory_peer.exe unhook"), 0u);
    EXPECT_NE(Shared().mouseHook, 0u) << "the unhook of a host that started nothing ends no capture";

    // The record no longer names the frame.
    zentap::CaptureRecord record = Record();
    const HWND frame = zentap::AsWindow(std::exchange(record.frameWnd, 0u));
    ASSERT_TRUE(zentap::WriteCaptureRecord(record));
    EXPECT_EQ(test_support::RunCommand(m_viewer.Command("select")), 2u);
    EXPECT_EQ(m_viewer.Report()["status"], "already runing");
    EXPECT_EQ(m_host.Hook("select"), "already runing");

    // Nor does the section name the hooks: this process's frame is in the way. The refusal installs
    // hooks of its own and removes them; the first ones are removed here.
    const HHOOK hooks[] = {zentap::AsHook(std::exchange(Shared().mouseHook, 0u)),
                           zentap::AsHook(Shared().keyboardHook)};
    EXPECT_EQ(m_host.Hook("select"), "alread create the framedlg");
    for (HHOOK hook : hooks) UnhookWindowsHookEx(hook);
    EXPECT_EQ(Shared().keyboardHook, 0u) << "the refusal ended the capture";
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(m_host.Hook("select"), "ok");
}

TEST_F(CaptureOnScreen, HostThatAnswersNoMessagesHoldsUpNoClickOfAnotherApplication) {
    ASSERT_EQ(m_host.Hook("select"), "ok");
    const bool dispatch = false;
    ClickAt(kFirst, dispatch);
    EXPECT_TRUE(WaitUntil([] { return Record().phase == 1; }, dispatch)) << "the first click";
    ClickAt(kSecond, dispatch);
    EXPECT_TRUE(WaitUntil([] { return zentap::ModeIs(Record(), "selected"); }, dispatch)) << "the second click";
    EXPECT_TRUE(FinishCapture(m_host, {}).chosen) << "the host hears of it once it answers again";
}

TEST_F(CaptureOnScreen, CaptureEndsWithItsHostsWindowModuleOrProcessAndTheNextOneStarts) {
    ASSERT_EQ(m_host.Hook("select"), "ok");
    m_host.DestroyNotifyWindow();
    EXPECT_TRUE(WaitUntil([&] { return Shared().mouseHook == 0; })) << "the next tick ends the capture";
    EXPECT_EQ(m_host.done + m_host.cancel, 0);

    ASSERT_EQ(m_host.Hook("select"), "ok");
    Record();  // held by this process from now on, the record outlives the module and keeps its mode
    m_host.Unload();
    ClickAt(kFirst);
    EXPECT_TRUE(WaitUntil([&] { return Has(m_recorder.Log(), "press"); })) << "no hook swallows clicks any more";
    ASSERT_TRUE(m_host.Load());

    test_support::ChildProcess viewer(m_viewer.Command("select"));
    ASSERT_TRUE(WaitUntil([&] {
        DWORD owner = 0;
        GetWindowThreadProcessId(zentap::AsWindow(Record().frameWnd), &owner);
        return owner == GetProcessId(viewer.handle());
    })) << "the viewer's capture runs";
    TerminateProcess(viewer.handle(), 1);
    EXPECT_EQ(viewer.Wait(), 1u);
    EXPECT_NE(Shared().mouseHook, 0u) << "the killed host left its hooks named";
    EXPECT_EQ(m_host.Hook("select"), "ok");
}

// The frame's own procedure, and the outcome of the press another process took during a tick.
WNDPROC g_frameProc = nullptr;
DWORD g_pressed = STILL_ACTIVE;

// In the middle of a tick, as it moves the frame, another process takes the first click.
LRESULT CALLBACK PressDuringTheTick(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WINDOWPOSCHANGED && g_pressed == STILL_ACTIVE) {
        test_support::ChildProcess peer(test_support::InBin("capture_memory_peer.exe press"));
        WaitForSingleObject(peer.handle(), 10000);
        GetExitCodeProcess(peer.handle(), &g_pressed);
    }
    return CallWindowProcA(g_frameProc, window, message, wParam, lParam);
}

TEST_F(CaptureOnScreen, ClickThatAnotherProcessHandlesDuringATickSurvivesTheTick) {
    ASSERT_EQ(m_host.Hook("select"), "ok");
    g_pressed = STILL_ACTIVE;
    g_frameProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        zentap::AsWindow(Record().frameWnd), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PressDuringTheTick)));
    MoveTo(kFirst);
    ASSERT_TRUE(WaitUntil([] { return g_pressed != STILL_ACTIVE; }));
    EXPECT_EQ(g_pressed, 1u) << "the press was taken as the first click";
    DispatchFor(300);
    EXPECT_EQ(Record().phase, 1) << "the tick kept the click";
    EXPECT_TRUE(WaitUntil([] { return Outlines(RECT{490, 290, 500, 300}); })) << "the drag from the click";
}

// Counts the pauses (Sleep) that the module makes in this thread while it counts: the module's
// import slot leads here meanwhile.
class PauseCounter {
public:
    explicit PauseCounter(HMODULE module) : m_slot(test_support::FindImportSlot(module, "kernel32.dll", "Sleep")) {
        s_thread = GetCurrentThreadId();
        s_pauses = 0;
        // A module that does not import it cannot pause with it.
        if (m_slot) m_original = Write(reinterpret_cast<void*>(&CountedSleep));
    }
    ~PauseCounter() {
        if (m_slot) Write(m_original);
    }
    LONG pauses() const { return s_pauses; }

private:
    void* Write(void* value) {
        DWORD protection = 0;
        VirtualProtect(m_slot, sizeof(*m_slot), PAGE_READWRITE, &protection);
        void* const previous = std::exchange(*m_slot, value);
        VirtualProtect(m_slot, sizeof(*m_slot), protection, &protection);
        return previous;
    }
    static void WINAPI CountedSleep(DWORD ms) {
        if (GetCurrentThreadId() == s_thread) InterlockedIncrement(&s_pauses);
        Sleep(ms);
    }

    static DWORD s_thread;
    static LONG s_pauses;
    void** m_slot;
    void* m_original = nullptr;
};
DWORD PauseCounter::s_thread = 0;
LONG PauseCounter::s_pauses = 0;

// On 64-bit Windows the hooks for programs of the other kind run in the host's thread: its every
// pause holds up their input.
TEST_F(CaptureOnScreen, HostThreadNeverPausesAtTheStartOrAsTheFrameFollowsThePointer) {
    const PauseCounter counter(m_host.module());
    const CaptureResult result = SelectCapture(m_host, kFirst, kSecond);
    ASSERT_TRUE(result.chosen);
    EXPECT_EQ(result.picture.width(), kDragArea.right - kDragArea.left) << "the frame followed the drag";
    EXPECT_EQ(counter.pauses(), 0);
}

TEST_F(CaptureOnScreen, TwentySelectCapturesInARowEachWithItsClicksSentOnceAllSucceed) {
    for (int i = 0; i < 20; ++i) {
        const POINT first = {260 + 20 * i, 200 + 9 * i}, second = {first.x + 150, first.y + 120};
        const CaptureResult result = SelectCapture(m_host, first, second);
        ASSERT_TRUE(result.chosen) << "capture " << i << ": " << result.status;
        EXPECT_EQ(result.doneMessages, 1);
        EXPECT_EQ(result.picture.width(), 160);
        EXPECT_EQ(result.picture.height(), 130);
    }
}

TEST_F(CaptureOnScreen, ViewerSavesTheChosenAreaAsPngAndReportsACancel) {
    const CaptureResult saved = ViewerSelectCapture(m_viewer, kFirst, kSecond);
    ASSERT_TRUE(saved.chosen);
    EXPECT_EQ(m_viewer.Report()["outcome"], "saved");
    ExpectPictureOf(saved.picture, kDragArea);

    DeleteFileA(m_viewer.picturePath().c_str());
    test_support::ChildProcess cancelled(m_viewer.Command("object"));
    ASSERT_TRUE(WaitUntil([] { return IsWindow(zentap::AsWindow(Record().frameWnd)); }));
    KeysAt(kFirst, "key Escape");
    EXPECT_EQ(cancelled.Wait(), 1u);
    EXPECT_EQ(m_viewer.Report()["outcome"], "cancelled");
    EXPECT_EQ(GetFileAttributesA(m_viewer.picturePath().c_str()), INVALID_FILE_ATTRIBUTES);
}

// The guide's example host (docs/examples), a program of its own, as a user runs it.
TEST_F(CaptureOnScreen, GuideExampleHostSavesTwoCapturesInARowAndEndsAtEscape) {
    const test_support::ScopedTempDir dir;
    const std::string folder = dir.path().substr(0, dir.path().size() - 1);
    test_support::ChildProcess example(test_support::InBin("capture_host_example.exe \"") + folder + "\"");
    const struct {
        POINT first, second;
        RECT area;
    } captures[] = {{kFirst, kSecond, kDragArea}, {{300, 250}, {450, 400}, {290, 240, 450, 400}}};
    for (size_t n = 1; n <= 2; ++n) {
        const auto& capture = captures[n - 1];
        const std::string picture = dir / ("capture" + std::to_string(n) + ".bmp");
        ASSERT_TRUE(WaitUntil([] { return IsWindow(zentap::AsWindow(Record().frameWnd)) != FALSE; })) << n;
        ASSERT_TRUE(DragSelect(capture.first, capture.second)) << n;
        ASSERT_TRUE(WaitUntil([&] { return GetFileAttributesA(picture.c_str()) != INVALID_FILE_ATTRIBUTES; })) << n;
    }
    ASSERT_TRUE(WaitUntil([] { return IsWindow(zentap::AsWindow(Record().frameWnd)) != FALSE; }));
    KeysAt(kFirst, "key Escape");
    EXPECT_EQ(example.Wait(), 0u) << "ended by the Escape";
    for (size_t n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        ExpectPictureOf(ReadPictureFile(dir / ("capture" + std::to_string(n) + ".bmp")), captures[n - 1].area);
    }
    EXPECT_EQ(GetFileAttributesA((dir / "capture3.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
