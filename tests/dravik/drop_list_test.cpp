// The one-pass reading of the shell's drop list against the platform's own DragQueryFileW, name
// by name. The program is built twice and runs in the ANSI code page of a Western desktop (1252)
// and of a Korean one (949), which read ANSI names differently: the suite's name says which.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "handler/drop_list.h"
#include "samples/shell_selection.h"
#include "win32/unique_handle.h"

#if !defined(DROP_LIST_SUITE) || !defined(DROP_LIST_CODE_PAGE)
#error "the build names the suite and the code page it runs in"
#endif

using samples::DropListBytes;

namespace {

using Names = std::vector<std::wstring>;

Names ReadInOnePass(const void* block, size_t bytes) {
    Names names;
    std::wstring name;
    const dravik::DropList list(block, bytes);
    for (const dravik::DropList::Name& each : list) {
        each.wide(name);
        names.push_back(name);
    }
    EXPECT_EQ(list.size(), names.size());
    return names;
}

// The names DragQueryFileW gives for each index of the count it reports, each read into a buffer
// that holds any name of the block. The block is followed by zeros: for a list without names the
// system reads on past the one zero there is, and would count whatever the heap holds next.
Names QueryEachIndex(const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + 4);
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    const HDROP drop = static_cast<HDROP>(block);
    Names names;
    std::wstring buffer(bytes.size() + 16, L'\0');
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::fill(buffer.begin(), buffer.end(), L'\0');
        DragQueryFileW(drop, i, &buffer[0], static_cast<UINT>(buffer.size()));
        names.push_back(buffer.c_str());
    }
    GlobalFree(block);
    return names;
}

// The block with its names moved to `offset` from the start, the header's size and the padding
// between them zero.
std::string WithNamesAt(std::string bytes, DWORD offset) {
    DROPFILES header;
    std::memcpy(&header, bytes.data(), sizeof(header));
    bytes.insert(sizeof(header), offset - sizeof(header), '\0');
    header.pFiles = offset;
    std::memcpy(&bytes[0], &header, sizeof(header));
    return bytes;
}

std::string Cut(const std::string& bytes, size_t dropped) { return bytes.substr(0, bytes.size() - dropped); }

std::string LongName(size_t length, char fill) { return "C:\\" + std::string(length - 3, fill); }
std::wstring LongName(size_t length, wchar_t fill) { return L"C:\\" + std::wstring(length - 3, fill); }

// A copy of the bytes that ends where readable memory ends: a read past it faults.
class AtTheEndOfReadableMemory {
public:
    explicit AtTheEndOfReadableMemory(const std::string& bytes) {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        const size_t page = system.dwPageSize;
        const size_t readable = (bytes.size() + page - 1) / page * page;
        m_base = static_cast<BYTE*>(VirtualAlloc(nullptr, readable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(m_base + readable, page, PAGE_NOACCESS, &old);
        m_start = m_base + readable - bytes.size();
        std::memcpy(m_start, bytes.data(), bytes.size());
    }
    ~AtTheEndOfReadableMemory() { VirtualFree(m_base, 0, MEM_RELEASE); }
    AtTheEndOfReadableMemory(const AtTheEndOfReadableMemory&) = delete;
    AtTheEndOfReadableMemory& operator=(const AtTheEndOfReadableMemory&) = delete;

    const void* start() const { return m_start; }

private:
    BYTE* m_base = nullptr;
    BYTE* m_start = nullptr;
};

class DROP_LIST_SUITE : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(GetACP(), static_cast<UINT>(DROP_LIST_CODE_PAGE)); }
};

TEST_F(DROP_LIST_SUITE, GivesTheNamesDragQueryFileWGivesForEachIndex) {
    // In 949 the fourth name holds Hangul, then a lead byte that takes the backslash after it; the
    // last has no characters of 1252 and ends in a lone lead byte of 949.
    const std::vector<std::string> ansi = {"C:\\Pics\\a.jpg", "D:\\two words\\b.png", "\\\\server\\share\\c",
                                           "C:\\\xB0\xA1\\\xE9t\xE9\\x.jpg", "C:\\\x81\x8D\x90"};
    const std::vector<std::string> longAnsi = {LongName(258, 'a'), LongName(259, 'b'), LongName(260, 'c'),
                                               LongName(298, 'd'), LongName(299, 'e'), LongName(300, 'f'),
                                               LongName(300, '\xB0'), LongName(32767, 'g')};
    const std::vector<std::wstring> wide = {
        L"C:\\Pics\\a.jpg",
        L"C:\\\uC0AC\uC9C4\\\uAC00.jpg",       // Hangul: two bytes a character in 949, none in 1252
        L"C:\\a\u0101b\u00E9.jpg",              // best fits in one code page or the other
        L"C:\\\u0E01\u0E02.jpg",                // Thai: in neither
        L"C:\\\xD83D\xDE00 \xD800x.jpg",        // a pair of surrogates, and one alone
        L"C:\\\u00A0\u20AC\u2019.jpg"};
    const std::vector<std::wstring> longWide = {LongName(258, L'a'), LongName(300, L'b'), LongName(32767, L'c'),
                                                LongName(131, L'\uAC00'), LongName(200, L'\uD55C'),
                                                LongName(32767, L'\u0101')};
    const struct {
        const char* label;
        std::string bytes;
    } selections[] = {
        {"ANSI names", DropListBytes(ansi)},
        {"ANSI names longer than a path buffer", DropListBytes(longAnsi)},
        {"UTF-16 names outside the code page", DropListBytes(wide)},
        {"UTF-16 names longer than a path buffer", DropListBytes(longWide)},
        {"one name", DropListBytes(std::vector<std::wstring>{L"C:\\only.jpg"})},
        {"no names: one empty name is counted", DropListBytes(std::vector<std::string>{})},
        {"UTF-16 names at an odd offset", WithNamesAt(DropListBytes(wide), 21)},
        {"ANSI names after a longer header", WithNamesAt(DropListBytes(ansi), 64)},
    };
    for (const auto& selection : selections) {
        SCOPED_TRACE(selection.label);
        const Names expected = QueryEachIndex(selection.bytes);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(ReadInOnePass(selection.bytes.data(), selection.bytes.size()), expected);
    }
}

TEST_F(DROP_LIST_SUITE, EndsAtTheBlockWithoutReadingPastIt) {
    const std::vector<std::string> ansi = {"C:\\a.jpg", "C:\\bc.jpg"};
    const std::vector<std::wstring> wide = {L"C:\\\uAC00.jpg", L"C:\\bc.jpg"};
    const std::string ansiBytes = DropListBytes(ansi), wideBytes = DropListBytes(wide);
    const struct {
        const char* label;
        std::string block;     // what the block holds, up to its end
        std::string complete;  // the same list with its zeros, as DragQueryFileA needs it; empty: no names
    } blocks[] = {
        {"ANSI, the list's zero missing", Cut(ansiBytes, 1), ansiBytes},
        {"ANSI, the last name's zero missing too", Cut(ansiBytes, 2), ansiBytes},
        {"ANSI, the last name cut", Cut(ansiBytes, 5), Cut(ansiBytes, 5) + std::string(2, '\0')},
        {"UTF-16, the list's zero missing", Cut(wideBytes, 2), wideBytes},
        {"UTF-16, the last name's zero missing too", Cut(wideBytes, 4), wideBytes},
        {"UTF-16, the last character cut in half", Cut(wideBytes, 5), Cut(wideBytes, 6) + std::string(4, '\0')},
        {"the header cut", ansiBytes.substr(0, sizeof(DROPFILES) - 1), ""},
        {"names at the block's end", WithNamesAt(ansiBytes, static_cast<DWORD>(ansiBytes.size())).substr(
                                         0, ansiBytes.size()), ""},
        {"UTF-16 names with half a unit before the end", wideBytes.substr(0, sizeof(DROPFILES) + 1), ""},
    };
    for (const auto& block : blocks) {
        SCOPED_TRACE(block.label);
        const AtTheEndOfReadableMemory guarded(block.block);
        const Names expected = block.complete.empty() ? Names{} : QueryEachIndex(block.complete);
        EXPECT_EQ(ReadInOnePass(guarded.start(), block.block.size()), expected);
    }
    EXPECT_TRUE(ReadInOnePass(nullptr, 100).empty()) << "no block";
}

}  // namespace
