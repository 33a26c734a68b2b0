// How many GDI objects, USER objects and kernel handles this process holds, for the leak tests.
// The platform's own counters come first. Where they report nothing (Wine answers
// GetGuiResources and GetProcessHandleCount with 0) the objects are counted another way: GDI objects
// by asking every handle slot for its kind, windows by enumeration, kernel handles in the system's
// handle list. Handles can also be counted by the kind of object they name, and the views of file
// mappings by walking the address space.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace test_support {

struct ResourceCounts {
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    DWORD handles = 0;
};

namespace detail {

// The GDI objects of this process, found by asking for the kind of every handle value: a handle
// whose upper word is 0 names the object in that slot whatever its generation. In 32-bit Wine the
// process environment block points to no handle table, so the table itself cannot be read.
inline DWORD CountGdiObjectsByHandle() {
    DWORD count = 0;
    for (UINT_PTR slot = 0; slot <= 0xFFFF; ++slot)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot))) ++count;
    return count;
}

inline BOOL CALLBACK CountOwnWindow(HWND wnd, LPARAM counter) {
    DWORD process = 0;
    GetWindowThreadProcessId(wnd, &process);
    if (process == GetCurrentProcessId()) ++*reinterpret_cast<DWORD*>(counter);
    return TRUE;
}

inline DWORD CountOwnWindows() {
    DWORD count = 0;
    EnumWindows(&CountOwnWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// SystemExtendedHandleInformation (64): every open handle of the system with its process.
struct HandleEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT backTraceIndex;
    USHORT typeIndex;
    ULONG attributes;
    ULONG reserved;
};
struct HandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

// The handle values of this process in the system's handle list.
inline std::vector<HANDLE> OwnHandles() {
    using Query = LONG(NTAPI*)(ULONG, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
    if (!query) return {};
    std::vector<BYTE> buffer(1 << 16);
    ULONG needed = 0;
    LONG status;
    while ((status = query(64, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<LONG>(0xC0000004))  // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(buffer.size() * 2);
    if (status != 0) return {};
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    std::vector<HANDLE> handles;
    for (ULONG_PTR i = 0; i < list->count; ++i)
        if (list->entries[i].processId == GetCurrentProcessId())
            handles.push_back(reinterpret_cast<HANDLE>(list->entries[i].handle));
    return handles;
}

inline DWORD CountSystemHandleEntries() { return static_cast<DWORD>(OwnHandles().size()); }

// The kind of object a handle of this process names ("Event", "Section", ...), from
// NtQueryObject's type information; "?" when it does not answer.
inline std::string HandleKind(HANDLE handle) {
    using Query = LONG(NTAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject"));
    struct TypeName {
        USHORT length;  // in bytes
        USHORT maximumLength;
        const wchar_t* buffer;
    };
    alignas(TypeName) BYTE information[1024] = {};
    ULONG needed = 0;
    if (!query || query(handle, 2 /* ObjectTypeInformation */, information, sizeof(information), &needed) != 0)
        return "?";
    const auto* name = reinterpret_cast<const TypeName*>(information);
    std::string kind;
    for (USHORT i = 0; i < name->length / sizeof(wchar_t); ++i) kind += static_cast<char>(name->buffer[i]);
    return kind;
}

}  // namespace detail

// This process's handles by the kind of object they name.
inline std::map<std::string, DWORD> CountHandlesByKind() {
    std::map<std::string, DWORD> kinds;
    for (HANDLE handle : detail::OwnHandles()) ++kinds[detail::HandleKind(handle)];
    return kinds;
}

// The views of file mappings in this process's address space (each counted once, however many
// regions its pages form).
inline DWORD CountMappedViews() {
    DWORD views = 0;
    MEMORY_BASIC_INFORMATION region = {};
    for (UINT_PTR address = 0; VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof(region));) {
        if (region.Type == MEM_MAPPED && region.BaseAddress == region.AllocationBase) ++views;
        const UINT_PTR next = reinterpret_cast<UINT_PTR>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;  // the top of the address space
        address = next;
    }
    return views;
}

inline ResourceCounts CountResources() {
    ResourceCounts counts;
    HANDLE self = GetCurrentProcess();
    counts.userObjects = GetGuiResources(self, GR_USEROBJECTS);
    if (counts.userObjects == 0) counts.userObjects = detail::CountOwnWindows();
    if (!GetProcessHandleCount(self, &counts.handles) || counts.handles == 0)
        counts.handles = detail::CountSystemHandleEntries();
    // Last: the first window enumeration of a process may set up GDI objects of its own.
    counts.gdiObjects = GetGuiResources(self, GR_GDIOBJECTS);
    if (counts.gdiObjects == 0) counts.gdiObjects = detail::CountGdiObjectsByHandle();
    return counts;
}

}  // namespace test_support
