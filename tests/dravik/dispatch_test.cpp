#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "handler/pmenu.h"
#include "preview/file_list.h"
#include "samples/image_files.h"
#include "samples/shell_selection.h"
#include "test_support.h"
#include "user_settings.h"

using dravik::CPMenu;
using Names = std::vector<std::string>;

namespace {

using image_files::Format;
using image_files::Pixels;

enum class MainPath { Plain, TrailingBackslash, Doubled, Empty, NoViewer };

// The user's settings saved, and a scratch folder with two pictures, an animation and a folder.
// Each command runs Initialize on the shell's data object, builds the menu and invokes the
// offset; the real viewer, started with its report switch in the inherited environment, tells
// what it received.
class ViewerLaunch : public ::testing::Test {
protected:
    struct Outcome {
        HRESULT hr = E_FAIL;
        DWORD started = 0;
        std::map<std::string, std::string> report;
    };

    void SetUp() override {
        ASSERT_TRUE(started.counting());
        ASSERT_TRUE(CreateDirectoryA((dir / "album").c_str(), nullptr));
        ASSERT_TRUE(image_files::WriteImage(dir / "a.jpg", {Format::Jpeg, 64, 48}));
        ASSERT_TRUE(image_files::WriteImage(dir / "b.png", {Format::Png, 32, 32}));
        ASSERT_TRUE(image_files::WriteImage(dir / "waves.gif", {Format::Gif, 30, 20, Pixels::Indexed8, 3}));
    }

    std::string PathOf(const std::string& name) const { return name.find(':') == std::string::npos ? dir / name : name; }

    void SetMainPath(MainPath style, const std::string& viewerDir = test_support::BinDir()) {
        std::string path = viewerDir.substr(0, viewerDir.size() - 1);
        if (style == MainPath::TrailingBackslash) path += '\\';
        if (style == MainPath::Doubled) {
            std::string doubled;
            for (char c : path) doubled += c == '\\' ? std::string("\\\\") : std::string(1, c);
            path = doubled;
        }
        if (style == MainPath::NoViewer) path = dir / "album";
        test_support::ScopedUserSettings::Clear();
        if (style != MainPath::Empty) {
            ASSERT_TRUE(test_support::ScopedUserSettings::Set("Main Path", path));
        }
    }

    Outcome Run(const Names& names, const char* verb) {
        Names paths;
        for (const std::string& name : names) paths.push_back(PathOf(name));
        CPMenu menu;
        EXPECT_EQ(menu.Initialize(nullptr, samples::ShellDataObject(paths).Get(), nullptr), S_OK);
        win32::unique_hmenu popup(CreatePopupMenu());
        menu.QueryContextMenu(popup.get(), 0, 1, 0x7FFF, CMF_NORMAL);

        const std::string reportPath = dir / ("report" + std::to_string(++m_runs) + ".txt");
        SetEnvironmentVariableA("LUMOREX_VIEWER_REPORT", reportPath.c_str());
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof(info);
        info.lpVerb = verb;
        const test_support::StartedProcesses counter;
        Outcome outcome;
        outcome.hr = menu.InvokeCommand(&info);
        outcome.started = counter.count();
        if (outcome.started && test_support::WaitForFile(reportPath))
            outcome.report = test_support::ReadReport(reportPath);
        return outcome;
    }

    const test_support::StartedProcesses started;
    test_support::ScopedUserSettings settings;
    samples::ComApartment com;
    test_support::ScopedTempDir dir;
    int m_runs = 0;
};

TEST_F(ViewerLaunch, EveryKeywordReachesTheViewerWithTheExactCommandLineAndList) {
    const Names several = {"a.jpg", "b.png", "album"};
    const struct {
        Names names;
        UINT offset;
        MainPath mainPath;
        const char* keyword;  // null: nothing starts
    } rows[] = {
        {several, 0, MainPath::Plain, nullptr},
        {several, 1, MainPath::Plain, "rot"},
        {several, 2, MainPath::TrailingBackslash, "exp"},
        {several, 3, MainPath::Doubled, "mov"},
        {several, 4, MainPath::Plain, "cnv"},
        {several, 5, MainPath::Plain, "pst"},
        {several, 6, MainPath::Plain, "ren"},
        {several, 7, MainPath::Plain, nullptr},
        {{"album"}, 0, MainPath::TrailingBackslash, "brw"},
        {{"C:\\windows"}, 0, MainPath::Plain, "brw"},
        {{"a.jpg"}, 1, MainPath::Doubled, "Viw"},
        {{"a.jpg"}, 2, MainPath::Plain, "Edt"},
        {{"a.jpg"}, 3, MainPath::Plain, "Rot"},
        {{"a.jpg"}, 4, MainPath::Plain, "Exp"},
        {{"a.jpg"}, 5, MainPath::Plain, "Mvt"},
        {{"a.jpg"}, 6, MainPath::Plain, "Cnv"},
        {{"a.jpg"}, 7, MainPath::Plain, "Prt"},
        {{"a.jpg"}, 8, MainPath::Plain, "Opt"},
        {{"a.jpg"}, 9, MainPath::Plain, "Abt"},
        {{"a.jpg"}, 10, MainPath::TrailingBackslash, "Vwp"},
        {{"a.jpg"}, 11, MainPath::Plain, nullptr},
        {{"waves.gif"}, 0, MainPath::Plain, "1"},
        {{"waves.gif"}, 1, MainPath::Plain, "1"},
        {several, 1, MainPath::NoViewer, nullptr},
        {{"a.jpg"}, 1, MainPath::Empty, nullptr},
    };
    const std::string viewer = test_support::BinDir() + "Lumorex.exe";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.names[0] + " at offset " + std::to_string(row.offset) + ", keyword " +
                     (row.keyword ? row.keyword : "none"));
        SetMainPath(row.mainPath);
        const Outcome outcome = Run(row.names, MAKEINTRESOURCEA(row.offset));
        EXPECT_EQ(outcome.hr, S_OK);
        ASSERT_EQ(outcome.started, row.keyword ? 1u : 0u);
        if (!row.keyword) continue;

        std::string list;
        for (const std::string& name : row.names) list += PathOf(name).substr(PathOf(name).rfind('\\') + 1) + "|";
        const std::string first = PathOf(row.names[0]);
        std::string folder = first.substr(0, first.rfind('\\') + 1);
        if (std::string(row.keyword) == "brw") folder.pop_back();
        auto report = outcome.report;
        EXPECT_EQ(report["command line"], viewer + "  \"" + row.keyword + "\"   \"" + folder + "\"   \"\"   ");
        EXPECT_EQ(report["keyword"], row.keyword);
        EXPECT_EQ(report["folder"], folder);
        EXPECT_EQ(report["list field"], "");
        EXPECT_EQ(report["list"], list);
        EXPECT_EQ(report["names"], std::to_string(row.names.size()));
        const bool picture = std::string(row.keyword) == "Viw" || std::string(row.keyword) == "Vwp";
        EXPECT_EQ(report["picture"], picture ? "64x48" : "0x0");
    }
}

TEST_F(ViewerLaunch, ListThatCannotBePublishedStartsNoViewer) {
    SetMainPath(MainPath::Plain);
    // A named object of another kind holds the block's name, so the block cannot be created.
    for (const char* name : {dravik::kFileListSizeName, dravik::kFileListStringName}) {
        SCOPED_TRACE(name);
        const win32::unique_handle squatter(CreateEventA(nullptr, TRUE, FALSE, name));
        ASSERT_TRUE(squatter);
        const Outcome outcome = Run({"a.jpg", "b.png"}, MAKEINTRESOURCEA(1));
        EXPECT_EQ(outcome.hr, S_OK);
        EXPECT_EQ(outcome.started, 0u);
    }
}

TEST_F(ViewerLaunch, StringVerbIsRefusedAndStartsNothing) {
    SetMainPath(MainPath::Plain);
    const Outcome outcome = Run({"a.jpg"}, "open");
    EXPECT_EQ(outcome.hr, E_INVALIDARG);
    EXPECT_EQ(outcome.started, 0u);
}

TEST_F(ViewerLaunch, ProgramPlantedAtAShorterPrefixOfTheViewerPathNeverRuns) {
    const std::string viewerDir = dir / "lumo tests\\";
    ASSERT_TRUE(CreateDirectoryA(viewerDir.c_str(), nullptr));
    for (const char* file : {"Lumorex.exe", "Dravik.dll", "Zuzazavuro.dll"})
        ASSERT_TRUE(CopyFileA((test_support::BinDir() + file).c_str(), (viewerDir + file).c_str(), FALSE));
    const std::string planted = dir / "lumo.exe";
    ASSERT_TRUE(CopyFileA(test_support::InBin("planted_program.exe").c_str(), planted.c_str(), FALSE));
    SetMainPath(MainPath::Plain, viewerDir);

    Outcome outcome = Run({"a.jpg"}, MAKEINTRESOURCEA(1));
    ASSERT_EQ(outcome.started, 1u);
    EXPECT_EQ(outcome.report["keyword"], "Viw");
    EXPECT_EQ(GetFileAttributesA((planted + ".ran").c_str()), INVALID_FILE_ATTRIBUTES);

    // The same command line through the system's search of path prefixes does run it.
    ASSERT_GT(WinExec(outcome.report["command line"].c_str(), SW_HIDE), 31u);
    EXPECT_TRUE(test_support::WaitForFile(planted + ".ran"));
}

TEST(CommandStrings, OnlyAHelpTextForOffsetZeroSucceedsAndItIsEmpty) {
    const struct {
        UINT_PTR offset;
        UINT flags;
        HRESULT result;
    } cases[] = {
        {0, GCS_HELPTEXTA, S_OK},        {0, GCS_HELPTEXTW, S_OK},         {0, GCS_VERBA, E_INVALIDARG},
        {0, GCS_VERBW, E_INVALIDARG},    {0, GCS_VALIDATEA, E_INVALIDARG}, {1, GCS_HELPTEXTA, E_INVALIDARG},
    };
    CPMenu menu;
    for (const auto& c : cases) {
        WCHAR buffer[8];
        wmemset(buffer, L'x', 8);
        EXPECT_EQ(menu.GetCommandString(c.offset, c.flags, nullptr, reinterpret_cast<CHAR*>(buffer), 8), c.result)
            << c.offset << " " << c.flags;
        EXPECT_EQ(buffer[0], c.result == S_OK ? L'\0' : L'x');
    }
}

}  // namespace
