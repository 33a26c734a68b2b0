// What registering Dravik writes under HKEY_CLASSES_ROOT, and a guard that takes it away for a
// test and puts HKEY_CLASSES_ROOT back as the test found it. Tests that use it take the
// "classes_root" lock.
#pragma once

#include <oleauto.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Dravik_i.h"
#include "registry_state.h"
#include "test_support.h"

namespace test_support {

const std::string kDravikClsid = "{5D3A9E71-2F4B-4C8E-9A16-7B0C3D2E8F45}";
const std::string kDravikLibid = "{A41C7E02-6B9D-4F3A-8E57-1C2D9B0F6A38}";
const std::string kDravikClassKey = "CLSID\\" + kDravikClsid;
const std::string kDravikInterfaceKey = "Interface\\{3E8F1B6C-9A27-4D05-B3C4-6F1E2A7D9C50}";
const std::string kHandlerLists[] = {"*\\shellex\\ContextMenuHandlers", "Folder\\shellex\\ContextMenuHandlers",
                                     "Directory\\shellex\\ContextMenuHandlers"};
// Keys that registration writes and unregistration removes again.
const std::vector<std::string> kDravikKeys = {kHandlerLists[0] + "\\Lumorex",
                                              kHandlerLists[1] + "\\Lumorex",
                                              kHandlerLists[2] + "\\Lumorex",
                                              "Dravik.PMenu.1",
                                              "Dravik.PMenu",
                                              kDravikClassKey};

constexpr SYSKIND kOwnKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
constexpr SYSKIND kOtherKind = sizeof(void*) == 8 ? SYS_WIN32 : SYS_WIN64;

// The classes of the machine as a process of the given kind sees them: 32-bit and 64-bit
// registrations live side by side in views of their own.
inline win32::unique_hkey ClassesView(SYSKIND kind) {
    return OpenRegistryKey(HKEY_LOCAL_MACHINE, "Software\\Classes",
                           KEY_ALL_ACCESS | (kind == SYS_WIN64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY));
}

// Nothing of Dravik registered in one view (HKEY_CLASSES_ROOT of this process by default) for
// the life of the guard; afterwards everything as it was.
class ScopedDravikRegistration {
public:
    explicit ScopedDravikRegistration(HKEY root = HKEY_CLASSES_ROOT, SYSKIND kind = kOwnKind) : m_restorer(root) {
        for (const char* parent : {"*", "*\\shellex", "Folder", "Folder\\shellex", "Directory", "Directory\\shellex"})
            m_restorer.RemoveIfNew(parent);
        for (const std::string& handlers : kHandlerLists) m_restorer.SaveTree(handlers);
        for (const std::string& key : kDravikKeys) m_restorer.SaveTree(key);
        m_restorer.SaveTree("TypeLib\\" + kDravikLibid);
        m_restorer.SaveTree(kDravikInterfaceKey);
        for (const std::string& key : kDravikKeys) RegDeleteTreeA(root, key.c_str());
        UnRegisterTypeLib(LIBID_DRAVIKLib, 1, 0, MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT), kind);
    }

private:
    RegistryRestorer m_restorer;
};

// The system's regsvr32 (of this process's kind unless another is named) on a module, silent; its
// exit code.
inline DWORD Regsvr32(const std::string& options, const std::string& module, const std::string& program = "regsvr32.exe") {
    return RunCommand("\"" + program + "\" /s " + options + " \"" + module + "\"");
}

}  // namespace test_support
