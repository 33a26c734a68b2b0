// GoogleTest's hook for platform adjustments, found before its own empty one. The compilers' Win32
// threading runtime has no std::mutex or std::condition_variable, which GoogleTest's notification
// class is built on; this one is built on a Win32 event instead.
#pragma once

#if defined(__MINGW32__)
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace internal
}  // namespace testing
#endif
