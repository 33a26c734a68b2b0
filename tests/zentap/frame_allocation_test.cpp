// The frame's dialog procedure runs inside the window system's own frames, which no C++ exception
// may cross: nothing it does may allocate (and so throw). This program counts every allocation
// made through the global operator new.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <new>

#include "frame_dlg.h"
#include "screen_pixels.h"

namespace {
LONG g_allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    InterlockedIncrement(&g_allocations);
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

TEST(FrameDialogProcedure, CreatingShowingMovingAndPaintingTheFrameAllocateNothing) {
    for (const char* useType : {"object", "select"}) {
        SCOPED_TRACE(useType);
        zentap::CFrameDlg frame;
        frame.m_useType = useType;
        const LONG before = g_allocations;
        ASSERT_TRUE(frame.Create());
        frame.MoveFrame(RECT{100, 100, 300, 200});
        ShowWindow(frame.GetSafeHwnd(), SW_SHOWNA);
        zentap_test::DispatchFor(200);
        frame.MoveFrame(RECT{150, 120, 250, 300});
        zentap_test::DispatchFor(200);
        EXPECT_EQ(g_allocations - before, 0);
        frame.DestroyWindow();
    }
}

}  // namespace
