// The two named objects through which the processes of a capture keep out of each other's way.
//
// The record lock: every read-change-write cycle of the capture record, in any process, runs while
// holding it, so that a change one process makes between another's read and write is never lost.
// It is held only for the copy, the change and the write back, never across a call that waits for
// another thread.
//
// The host token: the thread that runs a capture holds it from the start of the capture to its end.
// The system gives up the claim of a thread that ends, so hooks that the shared section still names
// while nobody holds the token were left behind by a host that is gone. Within the process the
// claim is the capturing thread's alone: no other thread can give it back, and one that looks
// at it can tell whether that thread still runs.
#pragma once

#include "capture_memory.h"

namespace zentap {

constexpr char kRecordLockName[] = "lumo capture memorys lock";
constexpr char kHostTokenName[] = "lumo capture host";

// One cycle: takes the lock and copies the record out; Commit writes the copy back. False when the
// lock could not be taken in time or the record is not accessible.
class RecordCycle {
public:
    RecordCycle() noexcept;
    ~RecordCycle();
    RecordCycle(const RecordCycle&) = delete;
    RecordCycle& operator=(const RecordCycle&) = delete;

    explicit operator bool() const noexcept { return m_read; }
    CaptureRecord& record() noexcept { return m_record; }
    bool Commit() noexcept { return m_read && WriteCaptureRecord(m_record); }

private:
    bool m_locked = false;
    bool m_read = false;
    CaptureRecord m_record = {};
};

// The record as a whole, read under the lock; false when it could not be read.
bool ReadRecordLocked(CaptureRecord& record);

// Writes `record` whole under the lock.
bool WriteRecordLocked(const CaptureRecord& record);

// Writes the last area under the record's lock, so that a hook reading it inside its cycle never
// sees half of it. A lock that cannot be had in time does not keep the area from being written.
bool WriteLastAreaLocked(const LastArea& area);

enum class HostClaim {
    Claimed,        // this thread holds the token now: no other host is capturing
    HeldElsewhere,  // a live thread of some host holds it
    Unavailable,    // the token could not be made: nothing can be told
};

// Claims the token for the calling thread.
HostClaim ClaimHostToken();

// Which thread of this process holds the token.
enum class TokenHolder {
    Nobody,
    ThisThread,
    AnotherThread,  // a thread of this process that still runs
    EndedThread,    // a thread of this process that ended holding it: the system has given it up
};
TokenHolder HostTokenHolder();

// Gives the token back; only the holding thread can.
void ReleaseHostToken();

// Forgets the claim of a holder that ended.
void ForgetHostToken();

// Gives back this process's handles of both objects; runs when the module unloads.
void ReleaseCaptureLocks();

}  // namespace zentap
