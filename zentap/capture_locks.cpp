#include "capture_locks.h"

#include <utility>

#include "win32/srw_lock.h"
#include "win32/unique_handle.h"

namespace zentap {

namespace {

// A named mutex, made or opened on first use and kept for the module's life in this process.
class NamedMutex {
public:
    explicit NamedMutex(const char* name) noexcept : m_name(name) {}

    HANDLE get() noexcept {
        win32::scoped_exclusive_lock guard(m_lock);
        if (!m_mutex) m_mutex.reset(CreateMutexA(nullptr, FALSE, m_name));
        return m_mutex.get();
    }

    // At unload, without the lock: see SharedBlock::Release.
    void Release() noexcept { m_mutex.reset(); }

private:
    const char* m_name;
    SRWLOCK m_lock = SRWLOCK_INIT;
    win32::unique_handle m_mutex;
};

NamedMutex g_recordLock(kRecordLockName);
NamedMutex g_hostToken(kHostTokenName);
// The thread of this process that holds the host token (0 when none), and a handle that tells
// whether it still runs: its id alone may be given to a new thread once it has ended. Both change
// only under the lock.
SRWLOCK g_tokenLock = SRWLOCK_INIT;
DWORD g_tokenOwner = 0;
win32::unique_handle g_tokenOwnerThread;

// An abandoned mutex (its holder was killed in the middle of a cycle) counts as owned.
bool Acquired(DWORD waitResult) { return waitResult == WAIT_OBJECT_0 || waitResult == WAIT_ABANDONED; }

// Only a signalled handle says that the thread has ended; a wait that fails says nothing.
bool HasEnded(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

}  // namespace

RecordCycle::RecordCycle(DWORD waitMs) noexcept {
    HANDLE lock = g_recordLock.get();
    // Without the mutex nothing is serialised: no cycle runs.
    m_locked = lock && Acquired(WaitForSingleObject(lock, waitMs));
    if (!m_locked) return;
    m_read = ReadCaptureRecord(m_record);
}

RecordCycle::~RecordCycle() {
    if (m_locked) ReleaseMutex(g_recordLock.get());
}

bool ReadRecordLocked(CaptureRecord& record) {
    RecordCycle cycle;
    if (!cycle) return false;
    record = cycle.record();
    return true;
}

bool WriteRecordAtEnd(const CaptureRecord& record, DWORD waitMs) {
    RecordCycle cycle(waitMs);
    if (!cycle) return WriteCaptureRecord(record);
    cycle.record() = record;
    return cycle.Commit();
}

bool WriteLastAreaLocked(const LastArea& area) {
    HANDLE lock = g_recordLock.get();
    const bool locked = lock && Acquired(WaitForSingleObject(lock, kRecordLockWaitMs));
    const bool written = WriteLastArea(area);
    if (locked) ReleaseMutex(lock);
    return written;
}

HostClaim ClaimHostToken() {
    HANDLE token = g_hostToken.get();
    win32::unique_handle self;
    if (!token || !DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), self.put(),
                                   SYNCHRONIZE, FALSE, 0))
        return HostClaim::Unavailable;
    if (!Acquired(WaitForSingleObject(token, 0))) return HostClaim::HeldElsewhere;
    win32::scoped_exclusive_lock guard(g_tokenLock);
    g_tokenOwner = GetCurrentThreadId();
    g_tokenOwnerThread = std::move(self);
    return HostClaim::Claimed;
}

TokenHolder HostTokenHolder() {
    win32::scoped_shared_lock guard(g_tokenLock);
    if (!g_tokenOwner) return TokenHolder::Nobody;
    if (g_tokenOwner == GetCurrentThreadId()) return TokenHolder::ThisThread;
    return HasEnded(g_tokenOwnerThread.get()) ? TokenHolder::EndedThread : TokenHolder::AnotherThread;
}

void ReleaseHostToken() {
    win32::scoped_exclusive_lock guard(g_tokenLock);
    if (g_tokenOwner != GetCurrentThreadId()) return;
    ReleaseMutex(g_hostToken.get());
    g_tokenOwner = 0;
    g_tokenOwnerThread.reset();
}

bool ForgetEndedHostToken() {
    win32::scoped_exclusive_lock guard(g_tokenLock);
    if (!g_tokenOwner || !HasEnded(g_tokenOwnerThread.get())) return false;
    g_tokenOwner = 0;
    g_tokenOwnerThread.reset();
    return true;
}

void ReleaseCaptureLocks() {
    {
        win32::scoped_exclusive_lock guard(g_tokenLock);
        g_tokenOwner = 0;
        g_tokenOwnerThread.reset();
    }
    g_recordLock.Release();
    g_hostToken.Release();
}

}  // namespace zentap
