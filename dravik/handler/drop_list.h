// The names in the shell's drop list (CF_HDROP), read in one pass over the block: a DROPFILES
// header, then from its offset on the names, each ended by a zero, the list by an empty name.
// The header's wide flag says whether a name's characters are bytes of the ANSI code page or
// UTF-16 units.
//
// The names are the ones DragQueryFileW gives index by index, read whole however long they are,
// but DragQueryFileW finds a name by walking every name before it. Nothing past the block's own
// size is read: a list without its final zero ends at the block's end.
#pragma once

#include <windows.h>

#include <cstddef>
#include <iterator>
#include <string>

namespace dravik {

class DropList {
public:
    // One name as it lies in the block.
    class Name {
    public:
        // The name in UTF-16, as DragQueryFileW gives it: UTF-16 names exactly, ANSI ones
        // converted from the ANSI code page.
        void wide(std::wstring& text) const;

    private:
        friend class DropList;
        const BYTE* m_start = nullptr;
        std::size_t m_units = 0;
        bool m_wide = false;
    };

    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Name;
        using difference_type = std::ptrdiff_t;
        using pointer = const Name*;
        using reference = const Name&;

        reference operator*() const { return m_name; }
        pointer operator->() const { return &m_name; }
        iterator& operator++();
        bool operator==(const iterator& other) const { return m_name.m_start == other.m_name.m_start; }
        bool operator!=(const iterator& other) const { return !(*this == other); }

    private:
        friend class DropList;
        iterator() = default;  // past the last name
        iterator(const DropList& list, std::size_t offset);

        const DropList* m_list = nullptr;
        std::size_t m_offset = 0;  // of the current name, from the start of the block
        Name m_name;
    };

    // Over the first `bytes` bytes of a locked drop block.
    DropList(const void* block, std::size_t bytes);

    iterator begin() const;
    iterator end() const { return iterator(); }
    // The number of names; a pass over the list.
    std::size_t size() const;

private:
    std::size_t unitBytes() const { return m_wide ? sizeof(WCHAR) : 1; }

    const BYTE* m_block = nullptr;
    std::size_t m_bytes = 0;
    std::size_t m_firstName = 0;  // offset of the first name; m_bytes when the list holds none
    bool m_wide = false;
};

}  // namespace dravik
