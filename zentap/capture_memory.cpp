#include "capture_memory.h"

#include <cstring>

#include "win32/mapped_view.h"
#include "win32/srw_lock.h"
#include "win32/unique_handle.h"

namespace zentap {

namespace {

// One named block: opened or created on first use, then kept mapped for the module's life.
class SharedBlock {
public:
    SharedBlock(const char* name, DWORD size) noexcept : m_name(name), m_size(size) {}

    bool CopyOut(void* destination) {
        void* view = View();
        if (!view) return false;
        std::memcpy(destination, view, m_size);
        return true;
    }

    bool CopyIn(const void* source) {
        void* view = View();
        if (!view) return false;
        std::memcpy(view, source, m_size);
        return true;
    }

    // Runs at unload without the lock: no other thread of the process runs module code any
    // more, and a thread that process termination killed may have left the lock taken for good.
    void Release() noexcept {
        m_view.reset();
        m_mapping.reset();
    }

private:
    // The view, obtaining it on first use. Hooks run on many threads of one process at once; the
    // lock makes them end with one handle and one view between them.
    void* View() {
        win32::scoped_exclusive_lock guard(m_lock);
        if (!m_view) {
            if (!m_mapping) {
                m_mapping.reset(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, m_name));
                if (!m_mapping)
                    m_mapping.reset(
                        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, m_size, m_name));
            }
            // A failed view is tried again at the next access; the handle is kept.
            if (m_mapping) m_view.reset(MapViewOfFile(m_mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
            // Another program made the block first with pages a copy cannot write: it is let go
            // whole, so that the name is not kept alive by this process and is opened afresh next time.
            if (m_view && win32::usable_view_size(m_view.get(), FILE_MAP_WRITE) < m_size) {
                m_view.reset();
                m_mapping.reset();
            }
        }
        return m_view.get();
    }

    const char* m_name;
    DWORD m_size;
    SRWLOCK m_lock = SRWLOCK_INIT;
    // Both stay open until the module unloads, so the block outlives each capture.
    win32::unique_handle m_mapping;
    win32::unique_view m_view;
};

SharedBlock g_recordBlock(kCaptureRecordName, sizeof(CaptureRecord));
SharedBlock g_lastAreaBlock(kLastAreaName, sizeof(LastArea));

}  // namespace

bool ModeFieldEquals(const char (&field)[kModeSize], const char* text) {
    for (std::size_t i = 0; i < kModeSize; ++i) {
        if (field[i] != text[i]) return false;
        if (text[i] == '\0') return true;
    }
    return false;
}

void SetMode(CaptureRecord& record, const char* text) {
    std::size_t length = 0;
    while (length < kModeSize - 1 && text[length] != '\0') ++length;
    std::memcpy(record.mode, text, length);
    record.mode[length] = '\0';
}

RECT ToRect(const CaptureRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

CaptureRect FromRect(const RECT& r) {
    return CaptureRect{static_cast<std::int32_t>(r.left), static_cast<std::int32_t>(r.top),
                       static_cast<std::int32_t>(r.right), static_cast<std::int32_t>(r.bottom)};
}

bool SameRect(const CaptureRect& a, const CaptureRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool ReadCaptureRecord(CaptureRecord& record) { return g_recordBlock.CopyOut(&record); }
bool WriteCaptureRecord(const CaptureRecord& record) { return g_recordBlock.CopyIn(&record); }
bool ReadLastArea(LastArea& area) { return g_lastAreaBlock.CopyOut(&area); }
bool WriteLastArea(const LastArea& area) { return g_lastAreaBlock.CopyIn(&area); }

bool CaptureMemoryExists() {
    return win32::unique_handle(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kCaptureRecordName)).is_valid();
}

void ReleaseCaptureMemory() {
    g_recordBlock.Release();
    g_lastAreaBlock.Release();
}

}  // namespace zentap
