// The two named objects through which the processes of a capture keep out of each other's way.
//
// The record lock: every read-change-write cycle of the capture record, in any process, runs while
// holding it, so that a change one process makes between another's read and write is never lost.
// It is held only for the copy, the change and the write back, never across a call that waits for
// another thread.
//
// The host token: the thread that runs a capture holds it from the start of the capture to its end.
// The system gives up the claim of a thread that ends, so hooks that the shared section still names
// while nobody holds the token were left behind by a host that is gone.
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

enum class HostClaim {
    Claimed,        // this thread holds the token now: no other host is capturing
    HeldElsewhere,  // a live thread of some host holds it
    Unavailable,    // the token could not be made: nothing can be told
};

HostClaim ClaimHostToken();
bool HoldsHostToken();
void ReleaseHostToken();

// Gives back this process's handles of both objects; runs when the module unloads.
void ReleaseCaptureLocks();

}  // namespace zentap
