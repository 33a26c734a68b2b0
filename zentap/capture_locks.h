// The two named objects through which the processes of a capture keep out of each other's way.
//
// The record lock: every read-change-write cycle of the capture record, in any process, runs while
// holding it, so that a change one process makes between another's read and write is never lost.
// It is held only for the copy, the change and the write back, never across a call that waits for
// another thread. Nobody waits long for it: the hooks run in the input thread of whatever program
// gets the input, and a holder may be any program.
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

// The longest anybody waits for the record lock. Its holders keep it for a copy of 100 bytes and a
// change, microseconds, and 10 ms still covers one that the scheduler interrupts in its cycle on a
// busy machine; a click or a tick that has to wait that long is delayed by less than one frame of a
// 60 Hz screen. Whoever misses it lets the event pass or tries again at the next tick.
constexpr DWORD kRecordLockWaitMs = 10;

// One cycle: takes the lock and copies the record out; Commit writes the copy back. False when the
// lock could not be taken within waitMs, cannot be made (its name is held by an object of another
// type), or the record is not accessible.
class RecordCycle {
public:
    explicit RecordCycle(DWORD waitMs = kRecordLockWaitMs) noexcept;
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

// Writes `record` whole at the end of a capture: under the lock when it can be had within waitMs,
// else without it (nobody else can be capturing while this host holds the token).
bool WriteRecordAtEnd(const CaptureRecord& record, DWORD waitMs);

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

// Which thread of this process holds the token. The claim is read and changed under a lock of the
// process, so a thread that looks never sees it half given back.
enum class TokenHolder {
    Nobody,
    ThisThread,
    AnotherThread,  // a thread of this process that is not known to have ended
    EndedThread,    // a thread of this process that ended holding it: the system has given it up
};
TokenHolder HostTokenHolder();

// Gives the token back; only the holding thread can.
void ReleaseHostToken();

// Forgets the claim of a holder that ended; true for the one caller that forgot it.
bool ForgetEndedHostToken();

// Gives back this process's handles of both objects; runs when the module unloads.
void ReleaseCaptureLocks();

}  // namespace zentap
