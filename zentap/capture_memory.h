// The two named blocks through which every process of a capture shares its state: the capture
// record and the last area. Both layouts are identical for 32-bit and 64-bit processes; window
// handles and message numbers travel as 32-bit values.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace zentap {

constexpr char kCaptureRecordName[] = "lumo capture memorys";
constexpr char kLastAreaName[] = "lumorex_last_select_area";

constexpr std::size_t kModeSize = 30;

// The texts of the record's mode: the two use types while tracking, then the outcome.
constexpr char kModeSelect[] = "select";
constexpr char kModeObject[] = "object";
constexpr char kModeSelected[] = "selected";
constexpr char kModeCancel[] = "cancel";

struct CapturePoint {
    std::int32_t x;
    std::int32_t y;
};

// Screen pixels; the corners are kept in whatever order they came.
struct CaptureRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

// The last area is one bare rectangle: the one the frame was last asked to outline.
using LastArea = CaptureRect;

struct CaptureRecord {
    CapturePoint anchor;
    std::uint8_t reserved[8];
    std::int32_t phase;
    // Text written by any process: read it only through ModeIs and ModeText.
    char mode[kModeSize];
    std::uint8_t gap[2];
    std::uint32_t notifyWnd;
    std::uint32_t doneMsg;
    std::uint32_t cancelMsg;
    CaptureRect lastFrameRect;
    std::uint32_t frameWnd;
    CaptureRect selection;
};

// Whether the field holds `text` followed by its terminator. A field without a terminator (another
// process wrote garbage) matches nothing and is never read past its 30 bytes.
bool ModeFieldEquals(const char (&field)[kModeSize], const char* text);
inline bool ModeIs(const CaptureRecord& record, const char* text) { return ModeFieldEquals(record.mode, text); }

// The mode as text, ending at its terminator or at the end of the field. Inline: the module itself
// never needs it, and a string made in the module would bring the C++ runtime's string code with it.
inline std::string ModeText(const CaptureRecord& record) {
    const void* end = std::memchr(record.mode, '\0', kModeSize);
    const std::size_t length = end ? static_cast<const char*>(end) - record.mode : kModeSize;
    return std::string(record.mode, length);
}

// Copies `text` with its terminator into the mode and leaves the bytes after it as they were. A text
// too long for the field is cut so that the terminator still fits.
void SetMode(CaptureRecord& record, const char* text);

RECT ToRect(const CaptureRect& r);
CaptureRect FromRect(const RECT& r);
bool SameRect(const CaptureRect& a, const CaptureRect& b);

// Window handles and message numbers travel as 32-bit values, the same in every process. A handle
// comes back widened with its sign, as the system widens 32-bit handles, so that it compares equal
// to the handles the system passes around even when its top bit is set.
inline HWND AsWindow(std::uint32_t value) { return static_cast<HWND>(LongToHandle(static_cast<LONG>(value))); }
inline std::uint32_t WindowValue(HWND window) { return HandleToULong(window); }

// Whole-block copies between the caller and the shared block. The first use in a process opens the
// block by name or creates it zero-filled; false when it is not accessible (nothing copied).
bool ReadCaptureRecord(CaptureRecord& record);
bool WriteCaptureRecord(const CaptureRecord& record);
bool ReadLastArea(LastArea& area);
bool WriteLastArea(const LastArea& area);

// Whether some process holds the capture record at this moment. Never creates it.
bool CaptureMemoryExists();

// Gives back this process's handles and views of both blocks; runs when the module unloads.
void ReleaseCaptureMemory();

}  // namespace zentap
