// Every block that crosses a process or module boundary, pinned in size and field offsets. This
// file is compiled in both targets, so a layout that differs between 32 and 64 bits fails the
// build of either.
#include <cstddef>

#include "capture_memory.h"
#include "preview/file_list.h"
#include "shared_state.h"

// The module's shared section.
static_assert(sizeof(zentap::SharedState) == 16, "SharedState");
static_assert(offsetof(zentap::SharedState, processCount) == 0, "SharedState::processCount");
static_assert(offsetof(zentap::SharedState, reserved) == 4, "SharedState::reserved");
static_assert(offsetof(zentap::SharedState, mouseHook) == 8, "SharedState::mouseHook");
static_assert(offsetof(zentap::SharedState, keyboardHook) == 12, "SharedState::keyboardHook");

// "lumo capture memorys".
static_assert(sizeof(zentap::CaptureRecord) == 100, "CaptureRecord");
static_assert(offsetof(zentap::CaptureRecord, anchor) == 0, "CaptureRecord::anchor");
static_assert(offsetof(zentap::CaptureRecord, anchor.x) == 0, "CaptureRecord::anchor.x");
static_assert(offsetof(zentap::CaptureRecord, anchor.y) == 4, "CaptureRecord::anchor.y");
static_assert(offsetof(zentap::CaptureRecord, reserved) == 8, "CaptureRecord::reserved");
static_assert(offsetof(zentap::CaptureRecord, phase) == 16, "CaptureRecord::phase");
static_assert(offsetof(zentap::CaptureRecord, mode) == 20, "CaptureRecord::mode");
static_assert(sizeof(zentap::CaptureRecord::mode) == 30, "CaptureRecord::mode size");
static_assert(offsetof(zentap::CaptureRecord, gap) == 50, "CaptureRecord::gap");
static_assert(offsetof(zentap::CaptureRecord, notifyWnd) == 52, "CaptureRecord::notifyWnd");
static_assert(offsetof(zentap::CaptureRecord, doneMsg) == 56, "CaptureRecord::doneMsg");
static_assert(offsetof(zentap::CaptureRecord, cancelMsg) == 60, "CaptureRecord::cancelMsg");
static_assert(offsetof(zentap::CaptureRecord, lastFrameRect) == 64, "CaptureRecord::lastFrameRect");
static_assert(offsetof(zentap::CaptureRecord, frameWnd) == 80, "CaptureRecord::frameWnd");
static_assert(offsetof(zentap::CaptureRecord, selection) == 84, "CaptureRecord::selection");
static_assert(offsetof(zentap::CaptureRecord, selection.bottom) == 96, "CaptureRecord::selection.bottom");

// "lumorex_last_select_area".
static_assert(sizeof(zentap::LastArea) == 16, "LastArea");
static_assert(offsetof(zentap::LastArea, left) == 0, "LastArea::left");
static_assert(offsetof(zentap::LastArea, top) == 4, "LastArea::top");
static_assert(offsetof(zentap::LastArea, right) == 8, "LastArea::right");
static_assert(offsetof(zentap::LastArea, bottom) == 12, "LastArea::bottom");

// The file lists: "LumorexFileList[Size]" and "LumorexFileListW[Size]" hold one 32-bit length, in
// bytes and in UTF-16 units; "LumorexFileList[String]" holds 1 MiB of ANSI text, and
// "LumorexFileListW[String]" as many UTF-16 units, 2 MiB.
static_assert(sizeof(dravik::FileListLength) == 4, "FileListLength");
static_assert(dravik::kFileListSizeBytes == 4 && dravik::kWideFileListSizeBytes == 4, "size blocks");
static_assert(dravik::kFileListStringBytes == 0x100000, "ANSI string block");
static_assert(sizeof(WCHAR) == 2 && dravik::kWideFileListStringBytes == 0x200000, "wide string block");
