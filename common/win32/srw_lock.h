// Holds a slim reader/writer lock exclusively for one scope. The lock itself needs no set-up and
// no clean-up (SRWLOCK_INIT), so it can guard state that lives until a module unloads.
#pragma once

#include <windows.h>

namespace win32 {

class scoped_exclusive_lock {
public:
    explicit scoped_exclusive_lock(SRWLOCK& lock) noexcept : m_lock(lock) { ::AcquireSRWLockExclusive(&m_lock); }
    ~scoped_exclusive_lock() { ::ReleaseSRWLockExclusive(&m_lock); }
    scoped_exclusive_lock(const scoped_exclusive_lock&) = delete;
    scoped_exclusive_lock& operator=(const scoped_exclusive_lock&) = delete;

private:
    SRWLOCK& m_lock;
};

}  // namespace win32
