// Dravik in a shell: the real module registered with regsvr32, its menu shown on the display by
// the shell host, an entry picked with the real pointer, and the viewer telling what it received.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "dravik/dravik_registration.h"
#include "samples/image_files.h"
#include "test_support.h"
#include "user_settings.h"
#include "win32/code_page.h"
#include "x_display.h"
#include "zentap/screen_pixels.h"

namespace {

using Report = std::map<std::string, std::string>;
using image_files::Format;

// The menu as the host reports it, in UTF-8 here. The host writes the captions' bytes as the menu
// holds them, and the handler's Korean captions are code page 949 whatever the process's own
// code page is (the host's and this program's follow the locale they were started in).
std::string Ansi(const std::string& utf8) { return win32::narrow(win32::widen(utf8, CP_UTF8), 949); }

RECT RectOf(const Report& layout, const std::string& entry) {
    RECT r = {};
    const auto found = layout.find(entry);
    if (found != layout.end())
        std::sscanf(found->second.c_str(), "%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right, &r.bottom);
    return r;
}

std::string Centre(const RECT& r) {
    return std::to_string((r.left + r.right) / 2) + " " + std::to_string((r.top + r.bottom) / 2);
}

// The host's layout once it names the entry; empty when it did not in time.
Report WaitForEntry(const std::string& layoutPath, const std::string& entry) {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(50)) {
        Report layout = test_support::ReadReport(layoutPath);
        if (layout.count(entry)) return layout;
    }
    return {};
}

// Whether the entry shows the sample thumbnail: most of the picture's left half in its left
// colour left of the entry's middle, most of its right half in its right colour right of it.
bool ThumbnailShown(const RECT& entry, SIZE thumbnail) {
    const image_files::Pattern pattern = image_files::FramePattern(0);
    const long wanted = thumbnail.cx * thumbnail.cy / 2 * 3 / 4;
    const long middle = (entry.left + entry.right) / 2;
    // The host draws in its own process: the screen shows it a moment later.
    for (int attempt = 0; attempt < 50; ++attempt, Sleep(100)) {
        const zentap_test::Pixels screen = zentap_test::Pixels::OfScreen();
        long left = 0, right = 0;
        for (long y = entry.top; y < entry.bottom; ++y) {
            for (long x = entry.left; x < entry.right; ++x) {
                if (!screen.contains(x, y)) continue;
                const COLORREF c = screen.at(x, y);
                if (x < middle && image_files::NearColour(c, pattern.left)) ++left;
                if (x >= middle && image_files::NearColour(c, pattern.right)) ++right;
            }
        }
        if (left >= wanted && right >= wanted) return true;
    }
    return false;
}

struct Outcome {
    Report host;
    Report viewer;
};

// Names are UTF-8 here, in any script.
std::wstring Wide(const std::string& utf8) { return win32::widen(utf8, CP_UTF8); }

const char kThaiPhoto[] = u8"\u0E20\u0E32\u0E1E\u0E16\u0E48\u0E32\u0E22.jpg";
const char kEmojiPhoto[] = u8"\U0001F305 sunrise.jpg";

// A scratch folder with two pictures, an animation, a text file and a folder; the real module
// registered as a user registers it; the viewer beside it. HKEY_CLASSES_ROOT and the user's
// settings are put back afterwards.
class ShellHostOnTheDisplay : public ::testing::Test {
protected:
    struct Row {
        const char* what;
        std::vector<std::string> names;
        const char* language;
        std::string menu;  // as the host reports it
        int item;          // the entry picked, by position in the menu
        int subitem;       // and in its submenu, or -1
        std::string picked;
        const char* keyword;  // what the viewer receives; null: nothing starts
        SIZE thumbnail;       // shown in the preview entry, or none
    };

    void SetUp() override {
        if (!test_support::UnderWine()) GTEST_SKIP() << "the pointer is driven with xdotool on Wine's X display";
        test_support::SetManagedByWindowManager("ShellHost.exe", false);
        ASSERT_EQ(test_support::Regsvr32("", test_support::BinDir() + "Dravik.dll"), 0u);
        std::string viewerFolder = test_support::BinDir();
        viewerFolder.pop_back();
        ASSERT_TRUE(test_support::ScopedUserSettings::Set("Main Path", viewerFolder));
        ASSERT_TRUE(CreateDirectoryA((m_dir / "album").c_str(), nullptr));
        for (const char* photo : {"a.jpg", kThaiPhoto, kEmojiPhoto})
            ASSERT_TRUE(image_files::WriteImage(Wide(m_dir / photo), {Format::Jpeg, 300, 200}));
        ASSERT_TRUE(image_files::WriteImage(m_dir / "b.png", {Format::Png, 32, 32}));
        ASSERT_TRUE(
            image_files::WriteImage(m_dir / "waves.gif", {Format::Gif, 30, 20, image_files::Pixels::Indexed8, 3}));
        ASSERT_TRUE(test_support::WriteWholeFile(m_dir / "notes.txt", "not an image"));
    }

    // Opens the menu for the row's selection in the host, checks the preview on the screen and
    // picks the entry with the pointer.
    Outcome OpenAndPick(const Row& row) {
        ++m_runs;
        const std::string report = m_dir / ("host" + std::to_string(m_runs) + ".txt");
        const std::string layout = m_dir / ("layout" + std::to_string(m_runs) + ".txt");
        const std::string viewer = m_dir / ("viewer" + std::to_string(m_runs) + ".txt");
        EXPECT_TRUE(test_support::ScopedUserSettings::Set("shmenu_language", row.language));
        SetEnvironmentVariableA("LUMOREX_VIEWER_REPORT", viewer.c_str());
        // Away from where the menu opens, so that it starts with nothing under the pointer.
        EXPECT_TRUE(test_support::XDoTool("mousemove 1000 740"));

        std::wstring command = win32::widen(
            test_support::InBin("ShellHost.exe /timeout 20000 /report \"" + report + "\" /layout \"" + layout + "\""));
        for (const std::string& name : row.names) command += L" \"" + Wide(m_dir / name) + L"\"";
        test_support::ChildProcess host(command);
        const Report shown = WaitForEntry(layout, "item.0");
        EXPECT_FALSE(shown.empty()) << "the menu did not open";
        // The preview entry comes after the host's first entry, a separator and the handler's entry.
        if (row.thumbnail.cx) {
            EXPECT_TRUE(ThumbnailShown(RectOf(shown, "item.3"), row.thumbnail));
        }

        const std::string item = "item." + std::to_string(row.item);
        EXPECT_TRUE(
            test_support::XDoTool("mousemove " + Centre(RectOf(shown, item)) + (row.subitem < 0 ? " click 1" : "")));
        if (row.subitem >= 0) {
            const std::string subitem = "subitem." + std::to_string(row.subitem);
            const Report opened = WaitForEntry(layout, subitem);
            EXPECT_TRUE(test_support::XDoTool("mousemove " + Centre(RectOf(opened, subitem)) + " click 1"));
        }
        EXPECT_EQ(host.Wait(), 0u);
        return {test_support::ReadReport(report), test_support::ReadReport(viewer)};
    }

    test_support::ScopedDravikRegistration m_registration;
    test_support::ScopedUserSettings m_settings;
    test_support::ScopedTempDir m_dir;
    int m_runs = 0;
};

const std::string kImageMenu =
    "Lumorex Manager > [View@1; Edit@2; Rotate@3; Exposure@4; Move to@5; Convert@6; Print@7; "
    "Option@8; About@9] | (owner-drawn)@10 | ---@11";

TEST_F(ShellHostOnTheDisplay, EveryMenuShapeShowsItsEntriesAndThePickReachesTheViewer) {
    const std::string& image = kImageMenu;
    const std::string koreanImage =
        u8"루모렉스 매니저 > [보기@1; 편집@2; 회전@3; 노출@4; 파일 이동@5; 이미지 변환@6; "
        u8"출력@7; 환경 설정@8; 루모렉스 정보@9] | (owner-drawn)@10 | ---@11";
    const Row rows[] = {
        {"several items", {"a.jpg", "b.png", "notes.txt"}, "eng",
         "Lumorex Brower > [Rotate@1; Exposure@2; Move to@3; Convert@4; Presentation@5; Batch Rename@6]",
         2, 5, "Batch Rename@6", "ren", {}},
        {"one folder, Korean", {"album"}, "kor", u8"루모렉스 브라우저@0 | ---@1",
         2, -1, u8"루모렉스 브라우저@0", "brw", {}},
        {"one image, its preview entry", {"a.jpg"}, "eng", image,
         3, -1, "(owner-drawn)@10", "Vwp", {150, 100}},
        {"one image, Korean, a command of its submenu", {"a.jpg"}, "kor", koreanImage,
         2, 0, u8"보기@1", "Viw", {150, 100}},
        {"animation, the reduced menu", {"waves.gif"}, "eng", "unknow command of lumorex@0 | (owner-drawn)@1 | ---@2",
         2, -1, "unknow command of lumorex@0", "1", {30, 20}},
        {"text file, no entries of the handler", {"notes.txt"}, "eng", "",
         0, -1, "Open", nullptr, {}},
        {"a Thai name, Korean, its preview entry", {kThaiPhoto}, "kor", koreanImage,
         3, -1, "(owner-drawn)@10", "Vwp", {150, 100}},
        {"an emoji name with others, Korean", {kEmojiPhoto, "a.jpg", kThaiPhoto}, "kor",
         u8"루모렉스 브라우저 > [회전@1; 노출@2; 파일 이동@3; 이미지 변환@4; 프리젠테이션@5; 이름 모두 변경@6]",
         2, 4, u8"프리젠테이션@5", "pst", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Outcome outcome = OpenAndPick(row);
        const std::string handlers = row.menu.empty() ? "" : "---@0 | " + row.menu + " | ";
        const std::string handlerClass = row.names[0] == "album" ? "Directory" : "*";
        EXPECT_EQ(outcome.host["handler"],
                  "HKCR\\" + handlerClass + "\\shellex\\ContextMenuHandlers\\Lumorex = " + test_support::kDravikClsid);
        EXPECT_EQ(outcome.host["menu"], Ansi("Open | " + handlers + "Copy | Properties"));
        EXPECT_EQ(outcome.host["picked"], Ansi(row.picked));
        EXPECT_EQ(outcome.host["invoke"], row.keyword ? "0x00000000" : "");
        EXPECT_EQ(outcome.host["started"], row.keyword ? "Lumorex.exe" : "");
        if (!row.keyword) continue;

        std::string folder = m_dir.path(), list;
        if (std::string(row.keyword) == "brw") folder.pop_back();
        for (const std::string& name : row.names) list += name + "|";
        EXPECT_EQ(outcome.viewer["keyword"], row.keyword);
        EXPECT_EQ(outcome.viewer["folder"], folder);
        EXPECT_EQ(outcome.viewer["wide folder"], folder);
        EXPECT_EQ(outcome.viewer["wide list"], list) << "every name whole";
        // Where the code page cannot spell a name, the ANSI list holds its short name: the dispatch
        // tests pin that.
        if (std::all_of(list.begin(), list.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            EXPECT_EQ(outcome.viewer["list"], list);
        }
    }
}

// PATH with a folder in front, for the programs started in one scope.
class ScopedPathInFront {
public:
    explicit ScopedPathInFront(const std::string& folder) {
        m_saved.resize(GetEnvironmentVariableA("PATH", nullptr, 0));
        m_saved.resize(GetEnvironmentVariableA("PATH", &m_saved[0], static_cast<DWORD>(m_saved.size())));
        SetEnvironmentVariableA("PATH", (folder + ";" + m_saved).c_str());
    }
    ~ScopedPathInFront() { SetEnvironmentVariableA("PATH", m_saved.c_str()); }

private:
    std::string m_saved;
};

// The host runs from a folder of its own, as the shell runs from the system's. Its current folder,
// a folder below that and a folder on PATH hold planted image libraries, and the import of a
// library that lacks it; the module is registered from a folder with the real library beside it,
// one of the other kind, one missing its import, or none, and the viewer's folder holds the real
// library or nothing.
TEST_F(ShellHostOnTheDisplay, PlantedImageLibrariesAreNeverLoadedWhereverTheHostsSearchWouldFindThem) {
    const std::string bin = test_support::BinDir(), planted = bin + "stubs\\planted\\Zuzazavuro.dll";
    const std::string import = bin + "stubs\\import\\ZuzaImport.dll";
    const std::string host = m_dir / "host\\", current = m_dir / "current\\", onPath = m_dir / "on path\\",
                      moduleWithLibrary = m_dir / "module with library\\", moduleAlone = m_dir / "module alone\\",
                      moduleWithOtherKind = m_dir / "module with the other kind\\",
                      moduleWithoutImport = m_dir / "module without import\\", viewerWithLibrary = m_dir / "viewer\\",
                      emptyViewer = m_dir / "empty viewer\\";
    for (const std::string& folder : {host, current, current + "viewer\\", onPath, moduleWithLibrary, moduleAlone,
                                      moduleWithOtherKind, moduleWithoutImport, viewerWithLibrary, emptyViewer})
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    const std::pair<std::string, std::string> copies[] = {
        {bin + "ShellHost.exe", host + "ShellHost.exe"},
        {bin + "Dravik.dll", moduleWithLibrary + "Dravik.dll"},
        {bin + "Zuzazavuro.dll", moduleWithLibrary + "Zuzazavuro.dll"},
        {bin + "Dravik.dll", moduleAlone + "Dravik.dll"},
        {bin + "Dravik.dll", moduleWithOtherKind + "Dravik.dll"},
        {test_support::OtherKindBinDir() + "Zuzazavuro.dll", moduleWithOtherKind + "Zuzazavuro.dll"},
        {bin + "Dravik.dll", moduleWithoutImport + "Dravik.dll"},
        {bin + "stubs\\needs_import\\Zuzazavuro.dll", moduleWithoutImport + "Zuzazavuro.dll"},
        {bin + "Zuzazavuro.dll", viewerWithLibrary + "Zuzazavuro.dll"},
        {planted, current + "Zuzazavuro.dll"},
        {planted, current + "viewer\\Zuzazavuro.dll"},
        {planted, onPath + "Zuzazavuro.dll"},
        {import, current + "ZuzaImport.dll"},
        {import, onPath + "ZuzaImport.dll"},
    };
    for (const auto& copy : copies)
        ASSERT_TRUE(CopyFileA(copy.first.c_str(), copy.second.c_str(), FALSE)) << copy.second;
    ASSERT_TRUE(test_support::ScopedUserSettings::Set("shmenu_language", "eng"));
    const ScopedPathInFront path(onPath);

    const std::string image = "---@0 | " + kImageMenu + " | ";
    const struct {
        const char* where;  // the real library is
        std::string module;
        std::string mainPath;
        std::string currentFolder;
        std::string menu;  // the handler's entries
    } rows[] = {
        {"beside the module", moduleWithLibrary, emptyViewer, current, image},
        {"in the viewer's folder", moduleAlone, viewerWithLibrary, current, image},
        {"nowhere; the viewer's folder is relative and leads to a planted one", moduleAlone, "viewer", current, ""},
        {"nowhere it may be taken from", moduleAlone, emptyViewer, current, ""},
        {"nowhere, and only PATH has one", moduleAlone, emptyViewer, emptyViewer, ""},
        {"beside the module, and only PATH has another", moduleWithLibrary, emptyViewer, emptyViewer, image},
        {"in the viewer's folder; beside the module one of the other kind", moduleWithOtherKind, viewerWithLibrary,
         current, image},
        {"in the viewer's folder; beside the module one whose import only the host's search would find",
         moduleWithoutImport, viewerWithLibrary, current, image},
    };
    const std::string markers[] = {current + "Zuzazavuro.dll.loaded", current + "viewer\\Zuzazavuro.dll.loaded",
                                   onPath + "Zuzazavuro.dll.loaded", current + "ZuzaImport.dll.loaded",
                                   onPath + "ZuzaImport.dll.loaded"};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.where);
        for (const std::string& marker : markers) DeleteFileA(marker.c_str());
        ASSERT_EQ(test_support::Regsvr32("", row.module + "Dravik.dll"), 0u);
        ASSERT_TRUE(test_support::ScopedUserSettings::Set("Main Path", row.mainPath));
        const std::string report = m_dir / ("host" + std::to_string(++m_runs) + ".txt");
        test_support::ChildProcess shell("\"" + host + "ShellHost.exe\" /timeout 1500 /report \"" + report + "\" \"" +
                                             (m_dir / "a.jpg") + "\"",
                                         0, row.currentFolder.c_str());
        ASSERT_EQ(shell.Wait(), 0u);
        EXPECT_EQ(test_support::ReadReport(report)["menu"], "Open | " + row.menu + "Copy | Properties");
        for (const std::string& marker : markers)
            EXPECT_EQ(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES) << marker;
    }
}

}  // namespace
