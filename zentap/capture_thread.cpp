#include "capture_thread.h"

#include <atomic>

namespace zentap {

namespace {

std::atomic<DWORD> g_captureThread{0};
std::atomic<long> g_callbacks{0};

}  // namespace

void SetCaptureThread(DWORD thread) noexcept { g_captureThread = thread; }

// A read of the thread id and a comparison on every hook call of every thread: the count itself
// changes only on the capture thread.
CaptureThreadCallback::CaptureThreadCallback() noexcept
    : m_counted(GetCurrentThreadId() == g_captureThread.load(std::memory_order_relaxed)) {
    if (m_counted) ++g_callbacks;
}

CaptureThreadCallback::~CaptureThreadCallback() {
    if (m_counted) --g_callbacks;
}

long CallbacksOnCaptureThread() noexcept { return g_callbacks; }

}  // namespace zentap
