// The hooks' rules, called directly in this process on a record prepared in the shared block.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "capture_locks.h"
#include "capture_memory.h"
#include "hook_procs.h"
#include "test_support.h"
#include "x_display.h"
#include "win32/unique_handle.h"

namespace {

using zentap::CaptureRecord;

constexpr zentap::CaptureRect kLastArea = {400, 300, 120, 80};  // drawn up and left: kept unordered

void HoldCtrl(bool held) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = held ? 0x80 : 0;
    SetKeyboardState(keys);
}

class CaptureRules : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_frame && m_notify && m_other);
        ASSERT_TRUE(zentap::WriteLastArea(kLastArea));
    }
    void TearDown() override { HoldCtrl(false); }

    void Prepare(const char* mode, int phase, HWND notify, HWND frame) {
        CaptureRecord record = {};
        zentap::SetMode(record, mode);
        record.phase = phase;
        record.notifyWnd = zentap::WindowValue(notify);
        record.frameWnd = zentap::WindowValue(frame);
        ASSERT_TRUE(zentap::WriteCaptureRecord(record));
    }
    void Prepare(const char* mode, int phase, HWND notify) { Prepare(mode, phase, notify, m_frame); }

    static CaptureRecord Record() {
        CaptureRecord record = {};
        EXPECT_TRUE(zentap::ReadCaptureRecord(record));
        return record;
    }

    HWND Window() { return CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr); }

    HWND m_frame = Window();  // never shown, so never under the pointer
    HWND m_notify = Window();
    HWND m_other = Window();
};

TEST_F(CaptureRules, MouseMessagesAreSwallowedOrPassedAndChangeTheRecordByTheRules) {
    constexpr UINT kPress = WM_LBUTTONDOWN, kRelease = WM_LBUTTONUP;
    const struct {
        const char* mode;
        int phase;
        UINT message;
        bool ctrl;
        bool onFrame;
        int code;
        bool swallowed;
        const char* modeAfter;
        int phaseAfter;
    } rows[] = {
        {"select", 0, kPress, false, false, HC_ACTION, true, "select", 1},       // first click
        {"select", 0, WM_NCLBUTTONDOWN, false, false, HC_ACTION, true, "select", 1},
        {"select", 0, kPress, false, true, HC_NOREMOVE, true, "select", 1},      // on the frame, any code
        {"select", 1, kPress, false, false, HC_ACTION, true, "selected", 2},     // second click chooses
        {"select", 0, kRelease, false, false, HC_ACTION, false, "select", 0},
        {"select", 0, WM_LBUTTONDBLCLK, false, false, HC_ACTION, false, "select", 0},
        {"select", 0, WM_MOUSEMOVE, false, false, HC_ACTION, false, "select", 0},
        {"select", 0, WM_RBUTTONDOWN, false, false, HC_ACTION, false, "select", 0},
        {"select", 0, WM_MOUSEWHEEL, false, false, HC_ACTION, false, "select", 0},
        {"select", 0, kPress, true, false, HC_ACTION, true, "select", 0},        // Ctrl+press: swallowed only
        {"select", 0, WM_NCLBUTTONDBLCLK, true, false, HC_ACTION, true, "select", 0},
        {"select", 0, kRelease, true, false, HC_ACTION, false, "select", 0},
        {"select", 0, kPress, true, true, HC_ACTION, true, "select", 1},         // on the frame Ctrl plays no part
        {"select", 2, kPress, false, false, HC_ACTION, false, "select", 2},
        {"object", 0, kPress, false, false, HC_ACTION, false, "object", 0},      // plain clicks pass
        {"object", 0, kRelease, false, false, HC_ACTION, false, "object", 0},
        {"object", 0, kPress, true, false, HC_ACTION, true, "object", 0},
        {"object", 0, kRelease, true, false, HC_ACTION, true, "selected", 0},    // Ctrl+release chooses
        {"object", 0, WM_NCLBUTTONUP, true, false, HC_ACTION, true, "selected", 0},
        {"object", 0, kRelease, true, true, HC_ACTION, false, "object", 0},      // not on the frame
        {"object", 0, kRelease, true, false, -1, false, "object", 0},
        {"selected", 2, kPress, false, false, HC_ACTION, false, "selected", 2},
        {"cancel", 0, kPress, true, false, HC_ACTION, true, "cancel", 0},
        {"", 0, kPress, false, false, HC_ACTION, false, "", 0},                    // no capture
    };
    POINT pointer = {};
    GetCursorPos(&pointer);
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.mode << " phase " << row.phase << " message " << row.message
                                          << (row.ctrl ? " Ctrl" : "") << (row.onFrame ? " on the frame" : "")
                                          << " code " << row.code);
        Prepare(row.mode, row.phase, m_notify);
        HoldCtrl(row.ctrl);
        MOUSEHOOKSTRUCT info = {};
        info.hwnd = row.onFrame ? m_frame : m_other;
        EXPECT_EQ(zentap::MouseHookProc(row.code, row.message, reinterpret_cast<LPARAM>(&info)), row.swallowed ? 1 : 0);
        const CaptureRecord after = Record();
        EXPECT_EQ(zentap::ModeText(after), row.modeAfter);
        EXPECT_EQ(after.phase, row.phaseAfter);
        const bool chosen = std::strcmp(row.modeAfter, "selected") == 0 && std::strcmp(row.mode, "selected") != 0;
        EXPECT_EQ(zentap::SameRect(after.selection, kLastArea), chosen) << "the choice is the last area as it is";
        const bool anchored = row.phaseAfter == 1 && row.phase == 0;
        EXPECT_EQ(after.anchor.x == pointer.x && after.anchor.y == pointer.y, anchored) << "the first click's place";
    }

    Prepare("object", 0, nullptr);  // no host window: a Ctrl+release chooses nothing
    HoldCtrl(true);
    MOUSEHOOKSTRUCT info = {};
    info.hwnd = m_other;
    EXPECT_EQ(zentap::MouseHookProc(HC_ACTION, kRelease, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(zentap::ModeText(Record()), "object");
}

// On 64-bit Windows the hooks for applications of the other kind (32-bit beside 64-bit) run in the
// capturing host's thread, which does not have the keyboard: for a window of another thread the
// hook takes Ctrl from the keyboard, for a window of its own thread from the thread's key state.
TEST_F(CaptureRules, CtrlForAWindowOfAnotherThreadIsTheKeyboardsForOneOfThisThreadTheThreads) {
    HWND otherThreadsWindow = nullptr;
    test_support::NamedEvent made, done;
    test_support::Thread owner([&] {
        otherThreadsWindow = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 100, 100, 100,
                                             nullptr, nullptr, nullptr, nullptr);
        made.Set();
        done.Wait();  // handles the window's messages meanwhile, the keyboard's among them
        DestroyWindow(otherThreadsWindow);
    });
    ASSERT_TRUE(made.Wait());
    // No window manager runs: the keyboard goes to the window under the pointer.
    ASSERT_TRUE(test_support::XDoTool("mousemove 150 150 keydown ctrl"));
    for (const DWORD start = GetTickCount(); GetAsyncKeyState(VK_CONTROL) >= 0 && GetTickCount() - start < 10000;)
        Sleep(10);
    HoldCtrl(false);
    const bool keyboardOnly = GetAsyncKeyState(VK_CONTROL) < 0 && GetKeyState(VK_CONTROL) >= 0;
    const struct {
        HWND target;
        bool swallowed;
        const char* modeAfter;
    } rows[] = {{otherThreadsWindow, true, "selected"}, {m_other, false, "object"}};
    for (const auto& row : rows) {
        Prepare("object", 0, m_notify);
        MOUSEHOOKSTRUCT info = {};
        info.hwnd = row.target;
        EXPECT_EQ(zentap::MouseHookProc(HC_ACTION, WM_LBUTTONUP, reinterpret_cast<LPARAM>(&info)), row.swallowed ? 1 : 0);
        EXPECT_EQ(zentap::ModeText(Record()), row.modeAfter);
    }
    EXPECT_TRUE(test_support::XDoTool("keyup ctrl"));
    done.Set();
    ASSERT_TRUE(keyboardOnly) << "Ctrl down on the keyboard, not in this thread's key state";
}

TEST_F(CaptureRules, FrameWhoseHandleHasItsTopBitSetIsStillKnownAsTheFrame) {
    // The system widens such a 32-bit handle with its sign; Wine hands them out once a handle slot
    // has been reused 32766 times.
    m_frame = reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000044u)));
    Prepare("object", 0, m_notify);
    HoldCtrl(true);
    MOUSEHOOKSTRUCT info = {};
    info.hwnd = m_frame;
    EXPECT_EQ(zentap::MouseHookProc(HC_ACTION, WM_LBUTTONUP, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(zentap::ModeText(Record()), "object") << "a Ctrl+click on the frame chooses nothing";
}

TEST_F(CaptureRules, EscapeCancelsInEveryModeAndOtherKeystrokesPass) {
    const struct {
        int code;
        WPARAM key;
        bool swallowed;
    } rows[] = {{HC_ACTION, VK_ESCAPE, true}, {HC_NOREMOVE, VK_ESCAPE, false}, {-1, VK_ESCAPE, false},
                {HC_ACTION, 'A', false},      {HC_ACTION, VK_PROCESSKEY, false}};
    for (const char* mode : {"select", "object", "selected"}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(::testing::Message() << mode << " key " << row.key << " code " << row.code);
            Prepare(mode, 1, m_notify);
            EXPECT_EQ(zentap::KeyboardHookProc(row.code, row.key, 0), row.swallowed ? 1 : 0);
            EXPECT_EQ(zentap::ModeText(Record()), row.swallowed ? "cancel" : mode);
            EXPECT_EQ(Record().phase, 1);
        }
    }
}

// Whether another thread could take the record's lock now; the calling thread may hold it itself.
bool RecordLockIsFree() {
    bool free = false;
    test_support::Thread look([&] {
        const win32::unique_handle lock(OpenMutexA(SYNCHRONIZE, FALSE, zentap::kRecordLockName));
        const DWORD result = lock ? WaitForSingleObject(lock.get(), 0) : WAIT_OBJECT_0;
        free = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
        if (lock && free) ReleaseMutex(lock.get());
    });
    look.join();
    return free;
}

// A window of this thread under the pointer: the hook's hit test asks it where the pointer is,
// and it notes whether the record's lock was held meanwhile.
struct HitTestWitness {
    int hitTests = 0;
    int underTheLock = 0;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<HitTestWitness*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message == WM_NCHITTEST) {
            ++self->hitTests;
            if (!RecordLockIsFree()) ++self->underTheLock;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
};

TEST_F(CaptureRules, HookLeavesTheClickedApplicationAloneWhileItHoldsTheRecord) {
    MOUSEHOOKSTRUCT info = {};
    info.hwnd = m_other;
    // With no frame window named, the first click has nobody to tell: a message posted to no window
    // would land in the clicked application's own queue.
    Prepare("select", 0, m_notify, nullptr);
    EXPECT_EQ(zentap::MouseHookProc(HC_ACTION, WM_LBUTTONDOWN, reinterpret_cast<LPARAM>(&info)), 1);
    EXPECT_EQ(Record().phase, 1);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) << "a thread message";

    // The Ctrl rules look at the window under the pointer, whose application answers the hit test
    // in its own time: the other processes of the capture do not wait for it.
    HitTestWitness witness;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &HitTestWitness::WindowProc;
    windowClass.lpszClassName = "ZentapTestHitTestWitness";
    RegisterClassA(&windowClass);
    POINT pointer = {};
    GetCursorPos(&pointer);
    const HWND window = CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "", WS_POPUP | WS_VISIBLE,
                                        pointer.x - 20, pointer.y - 20, 40, 40, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&witness));
    ASSERT_EQ(WindowFromPoint(pointer), window);
    witness.hitTests = 0;
    Prepare("object", 0, m_notify);
    HoldCtrl(true);
    EXPECT_EQ(zentap::MouseHookProc(HC_ACTION, WM_LBUTTONDOWN, reinterpret_cast<LPARAM>(&info)), 1);
    EXPECT_GT(witness.hitTests, 0);
    EXPECT_EQ(witness.underTheLock, 0);
    DestroyWindow(window);
}

}  // namespace
