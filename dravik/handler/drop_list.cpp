#include "handler/drop_list.h"

#include <shlobj.h>

#include <cstdint>
#include <cstring>

#include "win32/code_page.h"

namespace dravik {
namespace {

bool IsAligned(const BYTE* units) { return reinterpret_cast<std::uintptr_t>(units) % alignof(WCHAR) == 0; }

// The units before the first zero unit, among the `available` units from start.
std::size_t UnitsBeforeZero(const BYTE* start, std::size_t available, bool wide) {
    if (!wide) {
        const void* zero = std::memchr(start, 0, available);
        return zero ? static_cast<std::size_t>(static_cast<const BYTE*>(zero) - start) : available;
    }
    std::size_t count = 0;
    if (IsAligned(start)) {
        const WCHAR* units = reinterpret_cast<const WCHAR*>(start);
        // Four units at a time while no zero is among them; the first zero is found one by one.
        constexpr std::uint64_t kLows = 0x0001000100010001u, kHighs = 0x8000800080008000u;
        for (std::uint64_t four; count + 4 <= available; count += 4) {
            std::memcpy(&four, units + count, sizeof(four));
            if ((four - kLows) & ~four & kHighs) break;
        }
        while (count < available && units[count]) ++count;
    } else {
        // The header may put the names at an odd offset.
        while (count < available && (start[2 * count] | start[2 * count + 1])) ++count;
    }
    return count;
}

}  // namespace

void DropList::Name::wide(std::wstring& text) const {
    if (m_wide) {
        // The header may put the names at an odd offset: copied, not read in place.
        text.resize(m_units);
        if (m_units) std::memcpy(&text[0], m_start, m_units * sizeof(WCHAR));
        return;
    }
    text = win32::widen(reinterpret_cast<const char*>(m_start), m_units);
}

DropList::DropList(const void* block, std::size_t bytes)
    : m_block(static_cast<const BYTE*>(block)), m_bytes(block ? bytes : 0), m_firstName(m_bytes) {
    DROPFILES header;
    if (m_bytes < sizeof(header)) return;
    std::memcpy(&header, m_block, sizeof(header));
    m_wide = header.fWide != FALSE;
    if (header.pFiles < m_bytes) m_firstName = header.pFiles;
}

DropList::iterator DropList::begin() const {
    // The first name is there as soon as one unit is, even an empty one, as DragQueryFileA counts.
    if (m_bytes - m_firstName < unitBytes()) return end();
    return iterator(*this, m_firstName);
}

std::size_t DropList::size() const {
    std::size_t count = 0;
    for (iterator name = begin(); name != end(); ++name) ++count;
    return count;
}

DropList::iterator::iterator(const DropList& list, std::size_t offset) : m_list(&list), m_offset(offset) {
    m_name.m_start = list.m_block + offset;
    m_name.m_wide = list.m_wide;
    m_name.m_units = UnitsBeforeZero(m_name.m_start, (list.m_bytes - offset) / list.unitBytes(), list.m_wide);
}

DropList::iterator& DropList::iterator::operator++() {
    const DropList& list = *m_list;
    const std::size_t unit = list.unitBytes();
    const std::size_t next = m_offset + (m_name.m_units + 1) * unit;
    // The list ends with an empty name, or with the block.
    const std::size_t units =
        next < list.m_bytes ? UnitsBeforeZero(list.m_block + next, (list.m_bytes - next) / unit, list.m_wide) : 0;
    if (units == 0) {
        *this = iterator();
    } else {
        m_offset = next;
        m_name.m_start = list.m_block + next;
        m_name.m_units = units;
    }
    return *this;
}

}  // namespace dravik
