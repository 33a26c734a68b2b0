// Captures among hostile or failing neighbours: names of the capture's shared objects held by
// objects of another kind, values written into the shared record by another process in the middle
// of a capture, a peer that holds the record's lock, and a capture whose thread ends, is ended, or
// loses the module to another thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <memory>
#include <string>
#include <utility>

#include "capture_locks.h"
#include "capture_peers.h"
#include "capture_scenario.h"

using namespace zentap_test;

namespace {

bool Has(const std::string& log, const char* line) { return log.find(line) != std::string::npos; }

std::string Number(long long value) { return std::to_string(value); }

// Until no process holds the capture record any more: processes in which an earlier capture's
// hooks ran let the module go when they next handle their messages.
bool RecordNoLongerHeld() {
    return WaitUntil([] { return !zentap::CaptureMemoryExists(); });
}

// A section whose pages are only reserved, made first under a block's name.
HANDLE ReservedPages(const char* name) {
    return CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE | SEC_RESERVE, 0, 4096, name);
}

TEST_F(CaptureOnScreen, StartAmongSquattersOrWithoutAHostWindowIsRefusedWithItsOwnTextAndLeavesNoHook) {
    // Nothing of this process may hold the record while its name is taken.
    m_host.Unload();
    zentap::ReleaseCaptureMemory();
    ASSERT_TRUE(RecordNoLongerHeld()) << "another process holds the record";
    ASSERT_TRUE(m_host.Load());

    enum class Host { OwnWindow, NoWindow, GoneWindow };
    enum class Squatter { Mutex, Event, ReservedPages };
    const struct {
        const char* what;
        const char* squattedName;  // taken by another object for the row
        Squatter squatter;
        Host host;
        const char* status;
    } rows[] = {
        // First: once a start has read the record here, this process holds it and its lock.
        {"an event holds the record lock's name", zentap::kRecordLockName, Squatter::Event, Host::OwnWindow,
         "cannot open the capture record"},
        {"a mutex holds the capture record's name", zentap::kCaptureRecordName, Squatter::Mutex, Host::OwnWindow,
         "cannot open the capture record"},
        {"a section of reserved pages holds the capture record's name", zentap::kCaptureRecordName,
         Squatter::ReservedPages, Host::OwnWindow, "cannot open the capture record"},
        {"an event holds the host token's name", zentap::kHostTokenName, Squatter::Event, Host::OwnWindow,
         "cannot take the capture host token"},
        {"no host window", nullptr, Squatter::Event, Host::NoWindow, "invalid notify window"},
        {"a host window that is gone", nullptr, Squatter::Event, Host::GoneWindow, "invalid notify window"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        win32::unique_handle squatter;
        if (row.squattedName) {
            squatter.reset(row.squatter == Squatter::Event   ? CreateEventA(nullptr, TRUE, FALSE, row.squattedName)
                           : row.squatter == Squatter::Mutex ? CreateMutexA(nullptr, FALSE, row.squattedName)
                                                             : ReservedPages(row.squattedName));
            ASSERT_TRUE(squatter && GetLastError() != ERROR_ALREADY_EXISTS) << "the name was free";
        }
        std::string status;
        if (row.host == Host::OwnWindow) {
            status = m_host.Hook("select");
        } else {
            HWND window = nullptr;
            if (row.host == Host::GoneWindow) {
                window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
                DestroyWindow(window);
            }
            status = m_host.exports().hookScreenShot(window, ZentapHost::kDone, ZentapHost::kCancel, "select");
        }
        EXPECT_EQ(status, row.status);
        EXPECT_EQ(Shared().mouseHook, 0u);
        EXPECT_EQ(Shared().keyboardHook, 0u);
        EXPECT_TRUE(ClickReachesTheWindow()) << "no hook holds a click back";
        if (row.squattedName) {
            EXPECT_EQ(test_support::RunCommand(m_viewer.Command("select")), 2u) << "the viewer is refused alike";
            EXPECT_EQ(m_viewer.Report()["status"], row.status);
        }
        m_host.Unhook();
    }

    // The last area's name held by reserved pages: the capture runs without the last area (the
    // choice is the outline the record holds) and writes nothing into those pages.
    {
        const win32::unique_handle squatter(ReservedPages(zentap::kLastAreaName));
        ASSERT_TRUE(squatter && GetLastError() != ERROR_ALREADY_EXISTS) << "the name was free";
        const win32::unique_view pages(MapViewOfFile(squatter.get(), FILE_MAP_READ, 0, 0, 0));
        MoveTo(kRest);
        ASSERT_EQ(m_host.Hook("select"), "ok");
        ClickAt(kFirst);
        ASSERT_TRUE(WaitUntil([] { return Record().phase == 1; }));
        MoveTo(kSecond);
        ASSERT_TRUE(WaitUntil([] { return zentap::SameRect(Record().lastFrameRect, zentap::FromRect(kDragArea)); }));
        Xdotool("click 1");
        const CaptureResult result = FinishCapture(m_host, {});
        EXPECT_TRUE(result.chosen);
        ExpectPictureOf(result.picture, kDragArea);
        // Windows lets nobody read such pages; Wine reads them, as zeros until written.
        char bytes[16] = {};
        if (ReadProcessMemory(GetCurrentProcess(), pages.get(), bytes, sizeof(bytes), nullptr)) {
            EXPECT_EQ(std::string(bytes, sizeof(bytes)), std::string(sizeof(bytes), '\0')) << "nothing written";
        }
    }
    MoveTo(kRest);
    const CaptureResult result = SelectCapture(m_host, kFirst, kSecond);
    EXPECT_TRUE(result.chosen) << "once the names are free: " << result.status;
}

TEST_F(CaptureOnScreen, ValuesAnotherProcessWritesMidCaptureNeitherMisleadNorHoldUpNorEndTheHost) {
    const HWND foreign = WindowFromPoint(kRest);  // the recorder's: alive, answering, deaf to the host's messages
    const std::string foreignWnd = Number(zentap::WindowValue(foreign));
    const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    // What the outline shows of a drag from an anchor at either end: the area grabbed.
    const RECT fromTheTopLeft = {screen.left, screen.top, kSecond.x, kSecond.y};
    const RECT toTheBottomRight = {kSecond.x, kSecond.y, screen.right, screen.bottom};
    const struct {
        const char* what;
        bool inViewer;         // hosted by the viewer, whose hang the test outlives
        bool afterFirstClick;  // written once the first click is taken, else before it
        std::string fields;
        zentap::CaptureRect outline;  // outlined before the second click
        RECT grabbed;
    } rows[] = {
        {"another process's window as the host's", false, false, "notifyWnd=" + foreignWnd,
         zentap::FromRect(kDragArea), kDragArea},
        {"no host window", false, true, "notifyWnd=0", zentap::FromRect(kDragArea), kDragArea},
        {"a host window that never answers", true, false, "notifyWnd=hung", zentap::FromRect(kDragArea), kDragArea},
        {"the done and cancel messages swapped", false, false,
         "doneMsg=" + Number(ZentapHost::kCancel) + " cancelMsg=" + Number(ZentapHost::kDone),
         zentap::FromRect(kDragArea), kDragArea},
        {"another process's window as the frame", false, true, "frameWnd=" + foreignWnd, zentap::FromRect(kDragArea),
         kDragArea},
        {"a frame window that never answers", true, true, "frameWnd=hung", zentap::FromRect(kDragArea), kDragArea},
        {"the anchor at the least integer", false, true, "anchor.x=" + Number(INT_MIN) + " anchor.y=" + Number(INT_MIN),
         {INT_MIN, INT_MIN, kSecond.x, kSecond.y}, fromTheTopLeft},
        {"the anchor at the greatest integer", false, true,
         "anchor.x=" + Number(INT_MAX) + " anchor.y=" + Number(INT_MAX),
         {INT_MAX - 10, INT_MAX - 10, kSecond.x, kSecond.y}, toTheBottomRight},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MoveTo(kRest);
        // A folder of its own for each picture the viewer saves.
        const ViewerHost viewerHost;
        std::unique_ptr<test_support::ChildProcess> viewer;
        if (row.inViewer) {
            viewer = std::make_unique<test_support::ChildProcess>(viewerHost.Command("select"));
            ASSERT_TRUE(WaitUntil([] { return IsWindow(zentap::AsWindow(Record().frameWnd)) != FALSE; }));
        } else {
            ASSERT_EQ(m_host.Hook("select"), "ok");
        }
        const HWND frame = zentap::AsWindow(Record().frameWnd);
        std::unique_ptr<HostileWriter> writer;
        if (!row.afterFirstClick) writer = std::make_unique<HostileWriter>(row.fields);
        DispatchFor(GetDoubleClickTime());  // lest the click count as the second of a double click
        ClickAt(kFirst);
        ASSERT_TRUE(WaitUntil([] { return Record().phase == 1; }));
        if (row.afterFirstClick) writer = std::make_unique<HostileWriter>(row.fields);
        ASSERT_TRUE(writer->wrote());
        MoveTo(kSecond);
        ASSERT_TRUE(WaitUntil([&] {
            zentap::LastArea area = {};
            return zentap::ReadLastArea(area) && zentap::SameRect(area, row.outline);
        })) << "the outline after the write";
        RECT window = {};
        ASSERT_TRUE(GetWindowRect(frame, &window));
        EXPECT_LE(window.right - window.left, screen.right - screen.left + 2) << "the frame stays on the screen";
        EXPECT_LE(window.bottom - window.top, screen.bottom - screen.top + 2 + 14) << "the frame stays on the screen";

        Xdotool("click 1");
        if (row.inViewer) {
            EXPECT_EQ(viewer->Wait(30000), 0u) << "the viewer saved the picture";
            ExpectPictureOf(ReadPictureFile(viewerHost.picturePath()), row.grabbed);
            EXPECT_TRUE(IsWindowVisible(foreign)) << "no window but the frame is hidden";
            continue;
        }
        const CaptureResult result = FinishCapture(m_host, {});
        EXPECT_TRUE(IsWindowVisible(foreign)) << "no window but the frame is hidden";
        EXPECT_TRUE(result.chosen);
        EXPECT_EQ(result.doneMessages, 1);
        EXPECT_EQ(result.cancelMessages, 0);
        ExpectPictureOf(result.picture, row.grabbed);
    }
}

TEST_F(CaptureOnScreen, PeerHoldingTheRecordLockHoldsUpNoInputAndTheEscapeMeanwhileLandsOnItsChange) {
    ASSERT_EQ(m_host.Hook("select"), "ok");
    ASSERT_TRUE(WaitUntil([] { return Outlines(RECT{290, 190, 300, 200}); })) << "the frame settles at the pointer";
    const zentap::CaptureRecord before = Record();
    {
        // The holder moves the anchor just before it lets go: a cycle that had read the record
        // before it took the lock would write the old anchor back.
        RecordLockHolder lock("anchor.x=1234");
        ASSERT_TRUE(lock.holding());
        EXPECT_TRUE(ClickReachesTheWindow()) << "a first click that cannot have the lock passes";
        KeysAt(kSecond, "key Escape");
        DispatchFor(300);  // ticks meanwhile, in this thread, which goes on handling its messages
        EXPECT_EQ(Bytes(Record()), Bytes(before)) << "nothing was written while the lock was held";
        zentap::CaptureRecord atRelease = {};
        zentap::LastArea area = {};
        ASSERT_TRUE(lock.Release(atRelease, area));
    }
    EXPECT_TRUE(WaitUntil([&] { return m_host.cancel > 0; })) << "the Escape pressed meanwhile cancels";
    const zentap::CaptureRecord after = Record();
    EXPECT_EQ(zentap::ModeText(after), "cancel");
    EXPECT_EQ(after.anchor.x, 1234) << "written on top of the holder's change";
    EXPECT_EQ(after.phase, 0) << "the click was not taken";
    m_host.Unhook();
    EXPECT_FALSE(Has(m_recorder.InputBefore(kRest), "key 27")) << "Escape is swallowed all the same";
}

// The frame's own procedure; in the capture thread, as a tick moves the frame, a wait that takes the
// messages other threads send meanwhile (as a hit test or a move may), and whether the frame was
// still there after it.
WNDPROC g_frameProcedure = nullptr;
HWND g_deafWindow = nullptr;
HANDLE g_moving = nullptr;
LONG g_frameOutlivedTheWait = -1;

LRESULT CALLBACK WaitWhileMoving(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WINDOWPOSCHANGED && g_moving) {
        SetEvent(std::exchange(g_moving, nullptr));
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(g_deafWindow, WM_NULL, 0, 0, SMTO_NORMAL, 1500, &answer);
        InterlockedExchange(&g_frameOutlivedTheWait, IsWindow(window) ? 1 : 0);
    }
    return CallWindowProcA(g_frameProcedure, window, message, wParam, lParam);
}

TEST_F(CaptureOnScreen, CaptureOfAnotherThreadEndsInThatThreadHoweverItIsLeftAndRemovesOnlyItsOwnHooks) {
    enum class Leave {
        Returns,
        Terminated,
        UnhookedElsewhere,
        UnhookedWhileBusy,
        UnhookedDuringATick,
        UnloadedElsewhere,
        UnloadedWhileBusy,
        UnloadedInCancelHandler
    };
    const struct {
        const char* what;
        Leave leave;
        bool chosen;    // an area was chosen before
        bool endedWhole;  // the capture thread ended the capture itself: its frame is destroyed and the
                          // next capture may start while it runs on
    } rows[] = {
        {"the capture thread returns without unhooking", Leave::Returns, false, true},
        {"the capture thread is terminated", Leave::Terminated, false, false},
        {"another thread unhooks after the choice", Leave::UnhookedElsewhere, true, true},
        {"another thread unhooks while the capture thread does not answer", Leave::UnhookedWhileBusy, false, true},
        {"another thread unhooks while a tick moving the frame takes sent messages", Leave::UnhookedDuringATick,
         false, true},
        {"another thread unloads the module", Leave::UnloadedElsewhere, false, true},
        {"another thread unloads the module while the capture thread does not answer", Leave::UnloadedWhileBusy, false,
         false},
        {"another thread unloads the module while the capture thread is in its cancel handler",
         Leave::UnloadedInCancelHandler, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MoveTo(kRest);
        CaptureThread thread(m_host.exports(), "select");
        ASSERT_EQ(thread.status(), "ok");
        const HWND frame = zentap::AsWindow(Record().frameWnd);
        if (row.chosen) {
            ASSERT_TRUE(DragSelect(kFirst, kSecond));
            ASSERT_TRUE(WaitUntil([&] { return thread.done() > 0; }));
        }
        switch (row.leave) {
        case Leave::Returns:
            thread.End();
            break;
        case Leave::Terminated:
            thread.Terminate();
            break;
        case Leave::UnhookedElsewhere:
            m_host.Unhook();
            break;
        case Leave::UnhookedWhileBusy:
            thread.Block();
            m_host.Unhook();
            EXPECT_EQ(Shared().mouseHook | Shared().keyboardHook, 0u) << "no hook left once unhook answered";
            thread.Pump();
            break;
        case Leave::UnhookedDuringATick: {
            const win32::unique_handle moving(CreateEventA(nullptr, TRUE, FALSE, nullptr)), quit(
                CreateEventA(nullptr, TRUE, FALSE, nullptr));
            test_support::Thread deaf([&] {
                g_deafWindow = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
                WaitForSingleObject(quit.get(), 30000);  // handles no message meanwhile
                DestroyWindow(g_deafWindow);
            });
            g_frameOutlivedTheWait = -1;
            g_frameProcedure = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WaitWhileMoving)));
            g_moving = moving.get();
            MoveTo(kFirst, false);
            ASSERT_EQ(WaitForSingleObject(moving.get(), 30000), WAIT_OBJECT_0);
            m_host.Unhook();
            EXPECT_TRUE(WaitUntil([] { return g_frameOutlivedTheWait == 1; })) << "not ended inside the move";
            SetEvent(quit.get());
            break;
        }
        case Leave::UnloadedElsewhere:
            m_host.Unload();
            break;
        case Leave::UnloadedWhileBusy:
            thread.Block();
            m_host.Unload();
            thread.Pump();
            break;
        case Leave::UnloadedInCancelHandler:
            thread.BusyInNextCancel(3000);
            KeysAt(kSecond, "key Escape");
            ASSERT_TRUE(thread.WaitUntilInCancelHandler());
            m_host.Unload();
            // The handler returns into the thread's loop: no frame of the unloaded module waits for it.
            ASSERT_TRUE(thread.WaitUntilOutOfCancelHandler());
            break;
        }
        // A timer or a window procedure left in an unloaded module would end this process here.
        DispatchFor(400);
        if (!m_host.module()) {
            EXPECT_EQ(GetModuleHandleA(zentap::kModuleFileName), nullptr) << "the module was unloaded";
            ASSERT_TRUE(m_host.Load());
        }
        // A terminated thread runs nothing at its end: its process sees it only at its next call.
        // (Wine leaves such a thread's windows on the screen.)
        if (row.leave != Leave::Terminated) {
            EXPECT_FALSE(IsWindowVisible(frame)) << "no frame left on the screen";
            EXPECT_TRUE(ClickReachesTheWindow()) << "no hook of the capture is left";
        }
        if (row.endedWhole) {
            EXPECT_FALSE(IsWindow(frame)) << "the frame was destroyed in its own thread";
        }
        if (row.chosen) ExpectPictureOf(m_host.Picture(), kDragArea);
        if (!row.endedWhole) thread.End();  // the token is given up only when the thread ends
        MoveTo(kRest);
        EXPECT_EQ(m_host.Hook("select"), "ok") << "the next capture starts";
        m_host.Unhook();
        thread.End();

        // Another host captures now: a stray unhook of this process leaves its hooks alone.
        test_support::ChildProcess viewer(m_viewer.Command("object"));
        ASSERT_TRUE(WaitUntil([] { return IsWindow(zentap::AsWindow(Record().frameWnd)) != FALSE; }));
        m_host.Unhook();
        EXPECT_NE(Shared().mouseHook, 0u);
        KeysAt(kSecond, "key Escape");
        EXPECT_EQ(viewer.Wait(30000), 1u) << "the viewer's capture was cancelled by its own hooks";
        EXPECT_TRUE(ClickReachesTheWindow()) << "no hook of any capture is left";
    }
}

TEST(ViewerAsCaptureHost, CaptureModulePlantedInTheWorkingFolderIsNeverLoaded) {
    test_support::ScopedTempDir viewerDir, workingDir;
    ASSERT_TRUE(CopyFileA(test_support::InBin("Lumorex.exe").c_str(), (viewerDir / "Lumorex.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(test_support::InBin("stubs\\planted_zentap\\Zentap.dll").c_str(),
                          (workingDir / "Zentap.dll").c_str(), FALSE));
    const std::string command =
        viewerDir / "Lumorex.exe /capture select " + workingDir / "capture.png /report " + workingDir / "report.txt";
    EXPECT_EQ(test_support::RunCommand(command, 0, workingDir.path().c_str()), 3u) << "no capture module beside it";
    EXPECT_EQ(test_support::ReadReport(workingDir / "report.txt")["status"], "");
}

}  // namespace
