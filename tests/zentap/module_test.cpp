#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "resource.h"
#include "support/pe_section.h"
#include "test_support.h"

using test_support::ChildProcess;
using test_support::NamedEvent;

namespace {

// The real module, loaded into this process for the life of the object.
class LoadedZentap {
public:
    LoadedZentap() : m_module(LoadLibraryA("Zentap.dll")) {}
    ~LoadedZentap() { Unload(); }
    void Unload() {
        if (m_module) FreeLibrary(m_module);
        m_module = nullptr;
    }
    HMODULE get() const { return m_module; }
    LONG ProcessCount() const {
        LONG count = 0;
        std::memcpy(&count, test_support::FindLoadedSection(m_module, ".Zentapx").address, sizeof(count));
        return count;
    }

private:
    HMODULE m_module;
};

// A second process that keeps the module loaded until the object goes; it reports the process
// count it saw right after loading.
class ModuleHolder {
public:
    explicit ModuleHolder(const test_support::ScopedTempDir& dir)
        : m_report(dir / ("count" + std::to_string(++s_serial) + ".txt")),
          m_peer(test_support::InBin("module_holder.exe Zentap.dll .Zentapx " + m_report + " " + m_ready.name() + " " + m_quit.name())) {
        m_loaded = m_peer.started() && m_ready.Wait();
    }
    ~ModuleHolder() { Leave(); }
    bool loaded() const { return m_loaded; }
    LONG CountSeen() const { return std::stol(test_support::ReadWholeFile(m_report)); }
    DWORD Leave() {
        m_quit.Set();
        return m_peer.Wait();
    }

private:
    static inline int s_serial = 0;
    std::string m_report;
    NamedEvent m_ready;
    NamedEvent m_quit;
    ChildProcess m_peer;
    bool m_loaded = false;
};

TEST(ZentapModule, SharedSectionIsSixteenWritableBytesSharedBetweenProcesses) {
    LoadedZentap zentap;
    ASSERT_NE(zentap.get(), nullptr);
    const test_support::LoadedSection section = test_support::FindLoadedSection(zentap.get(), ".Zentapx");
    ASSERT_NE(section.address, nullptr);
    EXPECT_EQ(section.size, 16u);
    const DWORD flags = IMAGE_SCN_MEM_SHARED | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE;
    EXPECT_EQ(section.characteristics & flags, flags);
}

TEST(ZentapModule, EveryProcessThatLoadsTheModuleIsCountedUntilItUnloads) {
    test_support::ScopedTempDir dir;
    // Processes in which an earlier capture's hooks ran give the module up only when they next
    // handle their messages: the count starts once they have.
    LONG firstCount = 0;
    for (int attempt = 0; attempt < 20 && firstCount != 1; ++attempt) {
        if (attempt) Sleep(500);
        ModuleHolder first(dir);
        ASSERT_TRUE(first.loaded());
        firstCount = first.CountSeen();
    }
    EXPECT_EQ(firstCount, 1) << "the first process finds the section zero";

    LoadedZentap zentap;
    ASSERT_NE(zentap.get(), nullptr);
    EXPECT_EQ(zentap.ProcessCount(), 1);
    {
        ModuleHolder second(dir);
        ASSERT_TRUE(second.loaded());
        EXPECT_EQ(second.CountSeen(), 2);
        EXPECT_EQ(zentap.ProcessCount(), 2) << "this process sees the other's load";
        ASSERT_EQ(second.Leave(), 0u);
        EXPECT_EQ(zentap.ProcessCount(), 1) << "and its unload";
    }

    zentap.Unload();
    ModuleHolder third(dir);
    ASSERT_TRUE(third.loaded());
    EXPECT_EQ(third.CountSeen(), 1) << "fresh again once no process had the module loaded";
}

// Dialog template 23000 as it is stored: a DLGTEMPLATE, then menu, class, title, point size, face.
TEST(ZentapModule, FrameTemplateIsABareHiddenPopupInKorean) {
    HMODULE dll = LoadLibraryExA("Zentap.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(dll, nullptr);
    HRSRC found = FindResourceExA(dll, MAKEINTRESOURCEA(5) /* RT_DIALOG */, MAKEINTRESOURCEA(IDD_FRAME),
                                  MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN));
    ASSERT_NE(found, nullptr) << "template 23000 in language 0x0412";
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(dll, found)));
    ASSERT_NE(bytes, nullptr);

    DWORD style, extendedStyle;
    WORD controls;
    short x, y, cx, cy;
    std::memcpy(&style, bytes, 4);
    std::memcpy(&extendedStyle, bytes + 4, 4);
    std::memcpy(&controls, bytes + 8, 2);
    std::memcpy(&x, bytes + 10, 2);
    std::memcpy(&y, bytes + 12, 2);
    std::memcpy(&cx, bytes + 14, 2);
    std::memcpy(&cy, bytes + 16, 2);
    EXPECT_EQ(style, 0x80000040u) << "WS_POPUP | DS_SETFONT only: no caption, border, or visibility";
    EXPECT_EQ(extendedStyle, 0u);
    EXPECT_EQ(controls, 0);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(cx, 120);
    EXPECT_EQ(cy, 148);

    const auto* words = reinterpret_cast<const WORD*>(bytes + 18);
    EXPECT_EQ(words[0], 0) << "no menu";
    EXPECT_EQ(words[1], 0) << "the default dialog class";
    EXPECT_EQ(words[2], 0) << "an empty title";
    EXPECT_EQ(words[3], 10) << "point size";
    const std::wstring face(reinterpret_cast<const wchar_t*>(words + 4));
    EXPECT_EQ(face, L"System");
    FreeLibrary(dll);
}

}  // namespace
