// Where the shell finds the context-menu handlers of a selection: under the classes of
// HKEY_CLASSES_ROOT that the selection belongs to, each handler a subkey of
// <class>\shellex\ContextMenuHandlers whose default value is its CLSID.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace shellhost {

// The classes whose handlers the shell asks, in order: "Directory" then "Folder" when the first
// selected item is a folder, "*" otherwise (the shell goes by the item the selection starts at).
std::vector<std::string> ClassesOfSelection(const std::vector<std::wstring>& paths);

struct RegisteredHandler {
    std::string className;  // the first class that lists the handler
    std::string key;        // its key there, under HKEY_CLASSES_ROOT
    std::string value;      // the CLSID as the key holds it
    CLSID clsid;
};

// The handler registered under the name in the first of the classes that lists it.
std::optional<RegisteredHandler> FindContextMenuHandler(const std::vector<std::string>& classes, const char* name);

}  // namespace shellhost
