// Real shell data objects for a selection, obtained the way the shell obtains the one it hands a
// context-menu handler: the items' parent folder is asked for a data object of its children.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "win32/code_page.h"

namespace samples {

// The COM apartment of a test thread, with OLE for the clipboard.
class ComApartment {
public:
    ComApartment() : m_hr(OleInitialize(nullptr)) {}
    ~ComApartment() {
        if (SUCCEEDED(m_hr)) OleUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT m_hr;
};

// A data object for paths that share one parent folder; null when the shell refuses them.
inline Microsoft::WRL::ComPtr<IDataObject> ShellDataObject(const std::vector<std::wstring>& paths) {
    std::vector<PIDLIST_ABSOLUTE> absolute;
    for (const std::wstring& path : paths) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        if (SUCCEEDED(SHParseDisplayName(path.c_str(), nullptr, &pidl, 0, nullptr))) absolute.push_back(pidl);
    }

    Microsoft::WRL::ComPtr<IDataObject> data;
    Microsoft::WRL::ComPtr<IShellFolder> parent;
    if (absolute.size() == paths.size() && !absolute.empty() &&
        SUCCEEDED(SHBindToParent(absolute[0], IID_PPV_ARGS(&parent), nullptr))) {
        std::vector<PCUITEMID_CHILD> children;
        for (PIDLIST_ABSOLUTE pidl : absolute) children.push_back(ILFindLastID(pidl));
        parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(), IID_IDataObject, nullptr,
                              reinterpret_cast<void**>(data.GetAddressOf()));
    }
    for (PIDLIST_ABSOLUTE pidl : absolute) CoTaskMemFree(pidl);
    return data;
}

// The same for paths in the ANSI code page.
inline Microsoft::WRL::ComPtr<IDataObject> ShellDataObject(const std::vector<std::string>& paths) {
    std::vector<std::wstring> wide;
    for (const std::string& path : paths) wide.push_back(win32::widen(path));
    return ShellDataObject(wide);
}

// Puts one block of the given format on the clipboard and returns OLE's data object for the
// clipboard: a real platform data object for contents the shell would not produce, such as paths
// longer than the file system lets a test create. Needs the display.
inline Microsoft::WRL::ComPtr<IDataObject> ClipboardDataObject(UINT format, const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GHND, bytes.size());
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return nullptr;
    }
    EmptyClipboard();
    if (!SetClipboardData(format, block)) GlobalFree(block);
    CloseClipboard();

    Microsoft::WRL::ComPtr<IDataObject> data;
    OleGetClipboard(&data);
    return data;
}

// The bytes of a drop list (CF_HDROP): the header, each path with its zero, and the closing zero.
// Narrow paths make a list in the ANSI code page, wide ones a list of UTF-16 names, as the shell's.
template <typename Char>
std::string DropListBytes(const std::vector<std::basic_string<Char>>& paths) {
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = sizeof(Char) > 1;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof(header));
    for (const std::basic_string<Char>& path : paths)
        bytes.append(reinterpret_cast<const char*>(path.c_str()), (path.size() + 1) * sizeof(Char));
    bytes.append(sizeof(Char), '\0');
    return bytes;
}

// A drop list (CF_HDROP) of the given paths on the clipboard.
inline Microsoft::WRL::ComPtr<IDataObject> DropListDataObject(const std::vector<std::string>& paths) {
    return ClipboardDataObject(CF_HDROP, DropListBytes(paths));
}
inline Microsoft::WRL::ComPtr<IDataObject> DropListDataObject(const std::vector<std::wstring>& paths) {
    return ClipboardDataObject(CF_HDROP, DropListBytes(paths));
}

}  // namespace samples
