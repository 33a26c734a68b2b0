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
const std::string kHandlerLists[] = {"*\\shellex\\ContextMenuHandlers", "Folder\\shellex\\ContextMenuHandlers",
                                     "Directory\\shellex\\ContextMenuHandlers"};
// Keys that registration writes and unregistration removes again.
const std::vector<std::string> kDravikKeys = {kHandlerLists[0] + "\\Lumorex",
                                              kHandlerLists[1] + "\\Lumorex",
                                              kHandlerLists[2] + "\\Lumorex",
                                              "Dravik.PMenu.1",
                                              "Dravik.PMenu",
                                              kDravikClassKey};

// Nothing of Dravik registered for the life of the guard; afterwards everything as it was.
class ScopedDravikRegistration {
public:
    ScopedDravikRegistration() {
        for (const char* parent : {"*", "*\\shellex", "Folder", "Folder\\shellex", "Directory", "Directory\\shellex"})
            m_restorer.RemoveIfNew(parent);
        for (const std::string& handlers : kHandlerLists) m_restorer.SaveTree(handlers);
        for (const std::string& key : kDravikKeys) m_restorer.SaveTree(key);
        m_restorer.SaveTree("TypeLib\\" + kDravikLibid);
        m_restorer.SaveTree("Interface\\{3E8F1B6C-9A27-4D05-B3C4-6F1E2A7D9C50}");
        for (const std::string& key : kDravikKeys) RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
        UnRegisterTypeLib(LIBID_DRAVIKLib, 1, 0, MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT),
                          sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    }

private:
    RegistryRestorer m_restorer{HKEY_CLASSES_ROOT};
};

// The system's regsvr32 on a module, silent; its exit code.
inline DWORD Regsvr32(const std::string& options, const std::string& module) {
    return RunCommand("regsvr32.exe /s " + options + " \"" + module + "\"");
}

}  // namespace test_support
