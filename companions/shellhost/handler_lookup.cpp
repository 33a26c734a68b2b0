#include "handler_lookup.h"

#include <objbase.h>

#include "host_options.h"
#include "win32/code_page.h"
#include "win32/unique_handle.h"

namespace shellhost {

std::vector<std::string> ClassesOfSelection(const std::vector<std::wstring>& paths) {
    if (!paths.empty() && IsFolder(paths.front())) return {"Directory", "Folder"};
    return {"*"};
}

std::optional<RegisteredHandler> FindContextMenuHandler(const std::vector<std::string>& classes, const char* name) {
    for (const std::string& className : classes) {
        const std::string keyPath = className + "\\shellex\\ContextMenuHandlers\\" + name;
        win32::unique_hkey key;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) continue;
        char text[64] = {};
        DWORD size = sizeof(text) - 1;
        DWORD type = 0;
        if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            continue;
        RegisteredHandler handler{className, keyPath, text, {}};
        if (SUCCEEDED(CLSIDFromString(win32::widen(text).c_str(), &handler.clsid))) return handler;
    }
    return std::nullopt;
}

}  // namespace shellhost
