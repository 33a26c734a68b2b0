// Holds a mutex, of this process or named and shared with others, for one scope. The wait is
// bounded: a holder in another process that never lets go (hung, or holding it on purpose) costs
// the waiter that time and no more.
#pragma once

#include <windows.h>

namespace win32 {

class scoped_mutex {
public:
    scoped_mutex(HANDLE mutex, DWORD timeoutMs) noexcept : m_mutex(mutex) {
        const DWORD waited = mutex ? ::WaitForSingleObject(mutex, timeoutMs) : WAIT_FAILED;
        // A mutex whose holder ended without letting go is handed on: the waiter holds it now.
        m_held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~scoped_mutex() {
        if (m_held) ::ReleaseMutex(m_mutex);
    }
    scoped_mutex(const scoped_mutex&) = delete;
    scoped_mutex& operator=(const scoped_mutex&) = delete;

    // False when the mutex was missing or the wait ran out.
    explicit operator bool() const noexcept { return m_held; }

private:
    HANDLE m_mutex;
    bool m_held = false;
};

}  // namespace win32
