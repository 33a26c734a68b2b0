// Before the first window appears, the frame tests tell Wine, for their own programs only, that no
// window manager runs (x_display.h says why). The stacking cases keep Wine's default for their
// own program: that is where a window shown later is drawn over the topmost frame. Nothing
// happens outside Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "x_display.h"

namespace {

#if defined(ZENTAP_TEST_FRAME_MANAGED)
constexpr bool kFrameProgramManaged = true;
#else
constexpr bool kFrameProgramManaged = false;
#endif

class BareXServer : public ::testing::Environment {
public:
    void SetUp() override {
        if (!test_support::UnderWine()) return;
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        const std::string self(path);
        test_support::SetManagedByWindowManager(self.substr(self.find_last_of('\\') + 1), kFrameProgramManaged);
        for (const char* peer : {"pattern_window.exe", "input_recorder.exe", "Lumorex.exe"})
            test_support::SetManagedByWindowManager(peer, false);
    }
};

const ::testing::Environment* const g_bareXServer = ::testing::AddGlobalTestEnvironment(new BareXServer);

}  // namespace
