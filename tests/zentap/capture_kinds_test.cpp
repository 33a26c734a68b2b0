// Captures among processes of both kinds, 32-bit and 64-bit. Windows maps a module whose global
// hook is set into the processes of its own kind and calls the hook there; for a process of the
// other kind it calls the hook in the thread that set it. Wine 8 calls it for a process of the
// other kind nowhere (the first test shows where a hook runs), so under Wine a capture sees only the
// clicks that land on windows of its host's kind, its own frame among them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "capture_scenario.h"
#include "support/hook_probe_notes.h"
#include "test_support.h"
#include "x_display.h"

using namespace zentap_test;

namespace {

using test_support::HookProbeNotes;

constexpr RECT kPlace = {200, 150, 500, 400};
constexpr POINT kClick = {350, 275};

bool Pressed(const InputRecorder& window) { return window.Log().find("press") != std::string::npos; }

TEST(GlobalHook, RunsInTheProcessesOfItsKindAndForTheOtherKindInTheHookingThreadOnWindowsOnly) {
    const win32::unique_handle block(
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(HookProbeNotes), test_support::kHookProbeNotesName));
    auto* notes = static_cast<HookProbeNotes*>(MapViewOfFile(block.get(), FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_TRUE(notes);
    const win32::unique_hmodule probe(LoadLibraryA("hook_probe.dll"));
    const auto procedure = reinterpret_cast<HOOKPROC>(GetProcAddress(probe.get(), "HookProbeMouse"));
    ASSERT_TRUE(procedure);
    const HHOOK hook = SetWindowsHookExA(WH_MOUSE, procedure, probe.get(), 0);
    ASSERT_TRUE(hook);

    for (const bool otherKind : {false, true}) {
        SCOPED_TRACE(otherKind ? "a window of the other kind" : "a window of the hook's kind");
        if (otherKind && !test_support::OtherKindRuns()) continue;
        notes->count = 0;
        InputRecorder window(kPlace, otherKind ? test_support::OtherKindBinDir() : test_support::BinDir());
        ASSERT_TRUE(window.shown()) << "build the other target first";
        ASSERT_TRUE(test_support::XDoTool("mousemove " + std::to_string(kClick.x) + " " + std::to_string(kClick.y) +
                                              " click 1",
                                          true));
        ASSERT_TRUE(WaitUntil([&] { return Pressed(window); }));

        const HookProbeNotes::Call inTheWindow = {window.process(), 0, sizeof(void*) * 8};
        const HookProbeNotes::Call inThisThread = {GetCurrentProcessId(), GetCurrentThreadId(), sizeof(void*) * 8};
        if (otherKind && test_support::UnderWine()) {
            EXPECT_EQ(notes->count, 0) << "Wine 8 calls a hook for the other kind nowhere";
            continue;
        }
        ASSERT_EQ(notes->count, 1);
        const HookProbeNotes::Call& where = otherKind ? inThisThread : inTheWindow;
        EXPECT_EQ(notes->calls[0].process, where.process);
        EXPECT_EQ(notes->calls[0].bits, where.bits);
        if (otherKind) {
            EXPECT_EQ(notes->calls[0].thread, where.thread);
        }
    }
    UnhookWindowsHookEx(hook);
    UnmapViewOfFile(notes);
}

// The viewer of the other kind hosts a "select" capture over a window of this kind. Each click is
// made once the frame has followed the pointer, so it lands on the frame, the host's own window;
// this process, of the other kind, follows the capture in the shared record, and its module refuses
// a second capture while the other kind's runs.
TEST_F(CaptureOnScreen, ViewerOfTheOtherKindCapturesTheAreaOverAWindowOfThisKind) {
    SKIP_UNLESS_THE_OTHER_KIND_RUNS();
    const ViewerHost viewer(test_support::OtherKindBinDir());
    test_support::ChildProcess process(viewer.Command("select"));
    ASSERT_TRUE(WaitUntil([] { return IsWindow(zentap::AsWindow(Record().frameWnd)) != FALSE; }))
        << "build the other target first";
    MoveTo(kFirst);
    ASSERT_TRUE(WaitUntil([] { return Outlines(RECT{kFirst.x - 10, kFirst.y - 10, kFirst.x, kFirst.y}); }));
    Xdotool("click 1");
    ASSERT_TRUE(WaitUntil([] { return Record().phase == 1; }));
    EXPECT_EQ(Record().anchor.x, kFirst.x);
    EXPECT_EQ(Record().anchor.y, kFirst.y);
    EXPECT_EQ(m_host.Hook("object"), "doing the working");

    MoveTo(kSecond);
    ASSERT_TRUE(WaitUntil([] { return Outlines(kDragArea); }));
    Xdotool("click 1");
    ASSERT_EQ(process.Wait(), 0u) << "the viewer saved the area";
    ExpectPictureOf(ReadPictureFile(viewer.picturePath()), kDragArea);
    EXPECT_EQ(m_recorder.InputBefore(kRest).find("press"), std::string::npos) << "no click reached the window";
    EXPECT_EQ(m_host.Hook("select"), "ok") << "the capture of the other kind is over";
}

}  // namespace
