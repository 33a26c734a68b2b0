// Second processes that act on the shared capture record from outside while a capture runs: one
// that holds the record's lock, one that writes chosen values into the record.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>

#include "capture_memory.h"
#include "test_support.h"

namespace zentap_test {

// Holds the record's lock from construction until Release, and writes "field=value ..." (as
// HostileWriter takes them) into the record just before it lets go.
class RecordLockHolder {
public:
    explicit RecordLockHolder(const std::string& fieldsAtRelease = "")
        : m_peer(test_support::InBin("capture_memory_peer.exe hold-lock " + m_locked.name() + " " + m_release.name() +
                                     " " + m_seen + " " + fieldsAtRelease)) {
        m_holding = m_peer.started() && m_locked.Wait();
    }
    bool holding() const { return m_holding; }

    // Lets the lock go; false unless the record and the last area as they were at that moment (the
    // fields written) could be read.
    bool Release(zentap::CaptureRecord& record, zentap::LastArea& area) {
        m_release.Set();
        if (m_peer.Wait() != 0) return false;
        const std::string bytes = test_support::ReadWholeFile(m_seen);
        if (bytes.size() != sizeof(record) + sizeof(area)) return false;
        std::memcpy(&record, bytes.data(), sizeof(record));
        std::memcpy(&area, bytes.data() + sizeof(record), sizeof(area));
        return true;
    }

private:
    test_support::ScopedTempDir m_dir;
    std::string m_seen = m_dir / "seen.bin";
    test_support::NamedEvent m_locked;
    test_support::NamedEvent m_release;
    test_support::ChildProcess m_peer;
    bool m_holding = false;
};

// Writes "field=value ..." into the record, under its lock, from another process; a value "hung"
// names a window of that process that never answers, kept while the object lives.
class HostileWriter {
public:
    explicit HostileWriter(const std::string& fields)
        : m_peer(test_support::InBin("capture_memory_peer.exe set " + m_written.name() + " " + m_quit.name() + " " +
                                     fields)) {
        m_wrote = m_peer.started() && m_written.Wait(10000);
    }
    ~HostileWriter() { m_quit.Set(); }
    bool wrote() const { return m_wrote; }

private:
    test_support::NamedEvent m_written;
    test_support::NamedEvent m_quit;
    test_support::ChildProcess m_peer;
    bool m_wrote = false;
};

inline std::string Bytes(const zentap::CaptureRecord& record) {
    return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}

}  // namespace zentap_test
