#include "capture_locks.h"

#include <utility>

#include "win32/srw_lock.h"
#include "win32/unique_handle.h"

namespace zentap {

namespace {

// A hook that waits longer than this for the lock lets the event pass instead of freezing the
// application it runs in; holders keep it for a copy of 100 bytes.
constexpr DWORD kRecordLockWaitMs = 1000;

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
// whether it still runs: its id alone may be given to a new thread once it has ended.
DWORD g_tokenOwner = 0;
win32::unique_handle g_tokenOwnerThread;

// An abandoned mutex (its holder was killed in the middle of a cycle) counts as owned.
bool Acquired(DWORD waitResult) { return waitResult == WAIT_OBJECT_0 || waitResult == WAIT_ABANDONED; }

}  // namespace

RecordCycle::RecordCycle() noexcept {
    HANDLE lock = g_recordLock.get();
    // Without the mutex the cycle runs unserialised rather than not at all.
    m_locked = lock && Acquired(WaitForSingleObject(lock, kRecordLockWaitMs));
    if (lock && !m_locked) return;
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

bool WriteRecordLocked(const CaptureRecord& record) {
    RecordCycle cycle;
    if (!cycle) return false;
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
    g_tokenOwner = GetCurrentThreadId();
    g_tokenOwnerThread = std::move(self);
    return HostClaim::Claimed;
}

TokenHolder HostTokenHolder() {
    const DWORD owner = g_tokenOwner;
    if (!owner) return TokenHolder::Nobody;
    if (owner == GetCurrentThreadId()) return TokenHolder::ThisThread;
    return WaitForSingleObject(g_tokenOwnerThread.get(), 0) == WAIT_TIMEOUT ? TokenHolder::AnotherThread
                                                                            : TokenHolder::EndedThread;
}

void ReleaseHostToken() {
    if (HostTokenHolder() != TokenHolder::ThisThread) return;
    ReleaseMutex(g_hostToken.get());
    ForgetHostToken();
}

void ForgetHostToken() {
    g_tokenOwner = 0;
    g_tokenOwnerThread.reset();
}

void ReleaseCaptureLocks() {
    ForgetHostToken();
    g_recordLock.Release();
    g_hostToken.Release();
}

}  // namespace zentap
