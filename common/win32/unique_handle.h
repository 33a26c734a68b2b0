// Move-only owners for the platform's handle kinds. Each kind is a traits type that names the
// handle type, its empty value and the call that gives it back; unique_any<Traits> releases the
// handle exactly once, so no path through the code leaks it.
#pragma once

#include <windows.h>

#include <utility>

namespace win32 {

template <typename Traits>
class unique_any {
public:
    using pointer = typename Traits::type;

    unique_any() noexcept = default;
    explicit unique_any(pointer value) noexcept : m_value(value) {}
    ~unique_any() { reset(); }

    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : m_value(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    pointer get() const noexcept { return m_value; }
    bool is_valid() const noexcept { return m_value != Traits::invalid(); }
    explicit operator bool() const noexcept { return is_valid(); }

    pointer release() noexcept { return std::exchange(m_value, Traits::invalid()); }
    void reset(pointer value = Traits::invalid()) noexcept {
        pointer old = std::exchange(m_value, value);
        if (old != Traits::invalid()) Traits::close(old);
    }
    // For out-parameters of creation functions: releases what is held first.
    pointer* put() noexcept {
        reset();
        return &m_value;
    }

private:
    pointer m_value = Traits::invalid();
};

namespace traits {
template <typename T>
struct null_invalid {
    using type = T;
    static T invalid() noexcept { return nullptr; }
};
struct handle : null_invalid<HANDLE> { static void close(HANDLE h) noexcept { ::CloseHandle(h); } };
struct file : handle {
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
};
struct find_file : file { static void close(HANDLE h) noexcept { ::FindClose(h); } };
struct hkey : null_invalid<HKEY> { static void close(HKEY h) noexcept { ::RegCloseKey(h); } };
struct hmodule : null_invalid<HMODULE> { static void close(HMODULE h) noexcept { ::FreeLibrary(h); } };
struct hmenu : null_invalid<HMENU> { static void close(HMENU h) noexcept { ::DestroyMenu(h); } };
struct mem_dc : null_invalid<HDC> { static void close(HDC h) noexcept { ::DeleteDC(h); } };
struct view : null_invalid<void*> { static void close(void* p) noexcept { ::UnmapViewOfFile(p); } };
template <typename T>
struct gdi_object : null_invalid<T> { static void close(T h) noexcept { ::DeleteObject(h); } };
}  // namespace traits

using unique_handle = unique_any<traits::handle>;
using unique_file = unique_any<traits::file>;
using unique_find = unique_any<traits::find_file>;
using unique_hkey = unique_any<traits::hkey>;
using unique_hmodule = unique_any<traits::hmodule>;
using unique_hmenu = unique_any<traits::hmenu>;
using unique_mem_dc = unique_any<traits::mem_dc>;
using unique_view = unique_any<traits::view>;
using unique_hbitmap = unique_any<traits::gdi_object<HBITMAP>>;
using unique_hfont = unique_any<traits::gdi_object<HFONT>>;
using unique_hrgn = unique_any<traits::gdi_object<HRGN>>;
using unique_hbrush = unique_any<traits::gdi_object<HBRUSH>>;

// A device context obtained with GetDC, given back with ReleaseDC to the same window.
class unique_window_dc {
public:
    explicit unique_window_dc(HWND wnd = nullptr) noexcept : m_wnd(wnd), m_dc(::GetDC(wnd)) {}
    ~unique_window_dc() {
        if (m_dc) ::ReleaseDC(m_wnd, m_dc);
    }
    unique_window_dc(const unique_window_dc&) = delete;
    unique_window_dc& operator=(const unique_window_dc&) = delete;
    HDC get() const noexcept { return m_dc; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }

private:
    HWND m_wnd;
    HDC m_dc;
};

// Selects an object into a device context and selects the previous one back on scope exit.
class scoped_select {
public:
    scoped_select(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_previous(::SelectObject(dc, object)) {}
    ~scoped_select() {
        if (m_previous && m_previous != HGDI_ERROR) ::SelectObject(m_dc, m_previous);
    }
    scoped_select(const scoped_select&) = delete;
    scoped_select& operator=(const scoped_select&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

}  // namespace win32
