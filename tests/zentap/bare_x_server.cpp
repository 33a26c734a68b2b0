// Wine on an X server without a window manager: a window that was ever active counts as managed,
// and every hide of it then waits two seconds for the manager's answer that never comes. Before
// the first window appears, the frame tests tell Wine, for their own programs only, that no
// window manager runs. The stacking cases keep Wine's default for their own program: that is
// where a window shown later is drawn over the topmost frame. Nothing happens outside Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

#if defined(ZENTAP_TEST_FRAME_MANAGED)
constexpr bool kFrameProgramManaged = true;
#else
constexpr bool kFrameProgramManaged = false;
#endif

bool UnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

void SetManaged(const std::string& program, bool managed) {
    const std::string key = "Software\\Wine\\AppDefaults\\" + program + "\\X11 Driver";
    HKEY handle;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(handle, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(managed ? "Y" : "N"), 2);
    RegCloseKey(handle);
}

class BareXServer : public ::testing::Environment {
public:
    void SetUp() override {
        if (!UnderWine()) return;
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        const std::string self(path);
        SetManaged(self.substr(self.find_last_of('\\') + 1), kFrameProgramManaged);
        for (const char* peer : {"pattern_window.exe", "input_recorder.exe", "Lumorex.exe"}) SetManaged(peer, false);
    }
};

const ::testing::Environment* const g_bareXServer = ::testing::AddGlobalTestEnvironment(new BareXServer);

}  // namespace
