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
#include "win32/code_page.h"
#include "win32/module_path.h"

using dravik::CPMenu;
using Names = std::vector<std::string>;

namespace {

enum class MainPath { Plain, TrailingBackslash, Doubled, Empty, NoViewer };

// The folder the viewer starts in: its own, where the build puts it.
std::string ViewerFolder() {
    const std::string bin = test_support::BinDir();
    return bin.substr(0, bin.size() - 1);
}

// A scratch folder with two pictures, an animation and a folder. A command runs Initialize on the
// shell's data object, builds the menu and invokes the verb; the real viewer, whose report switch
// travels in the inherited environment, tells what it received.
class ViewerLaunch : public ::testing::Test {
protected:
    struct Outcome {
        HRESULT hr = E_FAIL;
        DWORD started = 0;
        std::map<std::string, std::string> report;
        HRESULT menu = E_FAIL;  // what QueryContextMenu answered
        bool preview = false;   // a thumbnail for the preview entry
        int imageWidth = 0;     // of the picture it shows
    };

    void SetUp() override {
        ASSERT_TRUE(test_support::StartedProcesses().counting());
        ASSERT_TRUE(CreateDirectoryA((dir / "album").c_str(), nullptr));
        ASSERT_TRUE(image_files::WriteImage(dir / "a.jpg", {image_files::Format::Jpeg, 64, 48}));
        ASSERT_TRUE(image_files::WriteImage(dir / "b.png", {image_files::Format::Png, 32, 32}));
        ASSERT_TRUE(image_files::WriteImage(dir / "waves.gif",
                                            {image_files::Format::Gif, 30, 20, image_files::Pixels::Indexed8, 3}));
    }

    std::string PathOf(const std::string& name) const { return name.find(':') == std::string::npos ? dir / name : name; }

    void SetMainPath(MainPath style, std::string path = test_support::BinDir()) {
        path.pop_back();
        if (style == MainPath::TrailingBackslash) path += '\\';
        for (size_t i = 0; style == MainPath::Doubled && (i = path.find('\\', i)) != std::string::npos; i += 2)
            path.insert(i, 1, '\\');
        if (style == MainPath::NoViewer) path = dir / "album";
        test_support::ScopedUserSettings::Clear();
        if (style != MainPath::Empty) {
            ASSERT_TRUE(test_support::ScopedUserSettings::Set("Main Path", path));
        }
    }

    Outcome Run(const Names& names, const char* verb) {
        std::vector<std::wstring> paths;
        for (const std::string& name : names) paths.push_back(win32::widen(PathOf(name)));
        return RunOn(samples::ShellDataObject(paths), verb);
    }

    Outcome RunOn(const Microsoft::WRL::ComPtr<IDataObject>& selection, const char* verb) {
        CPMenu menu;
        EXPECT_EQ(menu.Initialize(nullptr, selection.Get(), nullptr), S_OK);
        const win32::unique_hmenu popup(CreatePopupMenu());
        Outcome outcome;
        outcome.menu = menu.QueryContextMenu(popup.get(), 0, 1, 0x7FFF, CMF_NORMAL);
        outcome.preview = static_cast<bool>(menu.m_previewBitmap);
        outcome.imageWidth = menu.m_imageWidth;

        const std::string reportPath = dir / ("report" + std::to_string(++m_runs) + ".txt");
        SetEnvironmentVariableA("LUMOREX_VIEWER_REPORT", reportPath.c_str());
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof(info);
        info.lpVerb = verb;
        const test_support::StartedProcesses counter;
        outcome.hr = menu.InvokeCommand(&info);
        outcome.started = counter.count();
        if (outcome.started) outcome.report = test_support::WaitForReport(reportPath);
        return outcome;
    }

    test_support::ScopedUserSettings settings;
    samples::ComApartment com;
    test_support::ScopedTempDir dir;
    int m_runs = 0;
};

TEST_F(ViewerLaunch, EveryKeywordReachesTheViewerWithTheExactCommandLineAndListOrNothingStarts) {
    const Names several = {"a.jpg", "b.png", "album"};
    const struct {
        Names names;
        const char* verb;
        MainPath mainPath;
        const char* keyword;  // null: nothing starts
    } rows[] = {
        {several, MAKEINTRESOURCEA(0), MainPath::Plain, nullptr},
        {several, MAKEINTRESOURCEA(1), MainPath::Plain, "rot"},
        {several, MAKEINTRESOURCEA(2), MainPath::TrailingBackslash, "exp"},
        {several, MAKEINTRESOURCEA(3), MainPath::Doubled, "mov"},
        {several, MAKEINTRESOURCEA(4), MainPath::Plain, "cnv"},
        {several, MAKEINTRESOURCEA(5), MainPath::Plain, "pst"},
        {several, MAKEINTRESOURCEA(6), MainPath::Plain, "ren"},
        {several, MAKEINTRESOURCEA(7), MainPath::Plain, nullptr},
        {{"album"}, MAKEINTRESOURCEA(0), MainPath::TrailingBackslash, "brw"},
        {{"C:\\windows"}, MAKEINTRESOURCEA(0), MainPath::Plain, "brw"},
        {{"a.jpg"}, MAKEINTRESOURCEA(1), MainPath::Doubled, "Viw"},
        {{"a.jpg"}, MAKEINTRESOURCEA(2), MainPath::Plain, "Edt"},
        {{"a.jpg"}, MAKEINTRESOURCEA(3), MainPath::Plain, "Rot"},
        {{"a.jpg"}, MAKEINTRESOURCEA(4), MainPath::Plain, "Exp"},
        {{"a.jpg"}, MAKEINTRESOURCEA(5), MainPath::Plain, "Mvt"},
        {{"a.jpg"}, MAKEINTRESOURCEA(6), MainPath::Plain, "Cnv"},
        {{"a.jpg"}, MAKEINTRESOURCEA(7), MainPath::Plain, "Prt"},
        {{"a.jpg"}, MAKEINTRESOURCEA(8), MainPath::Plain, "Opt"},
        {{"a.jpg"}, MAKEINTRESOURCEA(9), MainPath::Plain, "Abt"},
        {{"a.jpg"}, MAKEINTRESOURCEA(10), MainPath::TrailingBackslash, "Vwp"},
        {{"a.jpg"}, MAKEINTRESOURCEA(11), MainPath::Plain, nullptr},
        {{"a.jpg"}, "open", MainPath::Plain, nullptr},
        {{"waves.gif"}, MAKEINTRESOURCEA(0), MainPath::Plain, "1"},
        {{"waves.gif"}, MAKEINTRESOURCEA(1), MainPath::Plain, "1"},
        {several, MAKEINTRESOURCEA(1), MainPath::NoViewer, nullptr},
        {{"a.jpg"}, MAKEINTRESOURCEA(1), MainPath::Empty, nullptr},
    };
    for (const auto& row : rows) {
        const bool stringVerb = !IS_INTRESOURCE(row.verb);
        SCOPED_TRACE(row.names[0] + " verb " + (stringVerb ? row.verb : std::to_string(LOWORD(row.verb))));
        SetMainPath(row.mainPath);
        auto outcome = Run(row.names, row.verb);
        EXPECT_EQ(outcome.hr, stringVerb ? E_INVALIDARG : S_OK);
        ASSERT_EQ(outcome.started, row.keyword ? 1u : 0u);
        if (!row.keyword) continue;

        const std::string first = PathOf(row.names[0]);
        std::string folder = first.substr(0, first.rfind('\\') + 1), list;
        if (std::string(row.keyword) == "brw") folder.pop_back();
        const bool picture = std::string(row.keyword) == "Viw" || std::string(row.keyword) == "Vwp";
        std::map<std::string, std::string> expected = {
            {"command line", test_support::BinDir() + "Lumorex.exe  \"" + row.keyword + "\"   \"" + folder + "\"   \"\"   "},
            {"keyword", row.keyword}, {"folder", folder}, {"list field", ""},
            {"names", std::to_string(row.names.size())}, {"picture", picture ? "64x48" : "0x0"}};
        for (size_t i = 0; i < row.names.size(); ++i) {
            const std::string name = PathOf(row.names[i]).substr(PathOf(row.names[i]).rfind('\\') + 1);
            expected["name" + std::to_string(i + 1)] = name;
            list += name + "|";
        }
        expected["list"] = list;
        // ASCII names: the exact forms are the same text.
        for (const auto& line : std::map<std::string, std::string>(expected)) {
            if (line.first != "keyword" && line.first != "list field" && line.first != "picture")
                expected["wide " + line.first] = line.second;
        }
        expected["current folder"] = ViewerFolder();
        EXPECT_EQ(outcome.report, expected);
    }
}

std::string Utf8(const std::wstring& text) { return win32::narrow(text, CP_UTF8); }

// The last part of the path's short form in the ANSI code page, as the platform gives it.
std::string ShortNameOf(const std::wstring& path) {
    const std::wstring shortPath = win32::short_path_name(path);
    return win32::narrow(shortPath.substr(shortPath.rfind(L'\\') + 1));
}

// The ANSI list's name for an item: today's, as the code page spells it, its short name, or the
// one given.
enum class Ansi { AsToday, ShortName, Given };
struct Item {
    std::wstring name;
    Ansi ansi;
    std::string given = "";
};

// On a Korean desktop (code page 949), names that the code page spells, names it cannot spell
// (Thai, Vietnamese with combining marks, an emoji outside the basic plane, the longest path the
// shell hands over) and names whose ANSI form as today would be the same as another's or even
// another file's. Each goes through the shell's data object, the menu and a command; the viewer
// reports what it read through both lists and both command lines.
TEST_F(ViewerLaunch, NamesInAnyScriptReachTheViewerWholeAndTheAnsiListKeepsEveryNameTheCodePageSpells) {
    ASSERT_EQ(GetACP(), 949u) << "the test runs on a Korean desktop";
    SetMainPath(MainPath::Plain);
    const std::wstring folder = win32::widen(dir.path()), thaiFolder = L"\u0E20\u0E32\u0E1E";
    const std::wstring korean = L"\uC0AC\uC9C4.jpg", thai = L"\u0E20\u0E32\u0E1E\u0E16\u0E48\u0E32\u0E22.jpg";
    const std::wstring vietnamese = L"Vie\u0323\u0302t Nam.jpg", emoji = L"\xD83C\xDF05 sunrise.jpg";
    const std::wstring cafe = L"caf\u00E9.jpg";  // "cafe.jpg" as a best fit: another file of the folder
    // The longest name the file system keeps (255 bytes in the host's UTF-8, 83 Thai characters and
    // the extension), in folders that make the path the longest the shell hands over (MAX_PATH - 1).
    const std::wstring longFolder = std::wstring(83, L'\u0E02') + L"\\";
    const std::wstring longest = longFolder + std::wstring(MAX_PATH - 1 - folder.size() - longFolder.size() - 1 - 87, L'\u0E03') +
                                 L"\\" + std::wstring(83, L'\u0E01') + L".jpg";
    const std::wstring moved = L"\u0E22\u0E49\u0E32\u0E22.jpg";
    const image_files::ImageParams photo = {image_files::Format::Jpeg, 40, 30};
    ASSERT_TRUE(CreateDirectoryW((folder + longFolder).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((folder + longest.substr(0, longest.rfind(L'\\'))).c_str(), nullptr));
    ASSERT_EQ((folder + longest).size(), MAX_PATH - 1u);
    for (const std::wstring& name : {korean, thai, vietnamese, emoji, cafe, longest, moved,
                                     std::wstring(L"\u0E44\u0E17\u0E22.jpg"), std::wstring(L"\u0E25\u0E32\u0E27.jpg")})
        ASSERT_TRUE(image_files::WriteImage(folder + name, photo)) << Utf8(name);
    ASSERT_TRUE(image_files::WriteImage(dir / "cafe.jpg", {image_files::Format::Jpeg, 64, 48}));
    for (const std::wstring& name : {thaiFolder, std::wstring(L"\uC568\uBC94"), std::wstring(L"caf\u00E9")})
        ASSERT_TRUE(CreateDirectoryW((folder + name).c_str(), nullptr));
    ASSERT_TRUE(image_files::WriteImage(folder + thaiFolder + L"\\a.jpg", photo));
    ASSERT_TRUE(image_files::WriteImage(folder + L"caf\u00E9\\a.jpg", photo));

    const struct {
        const char* what;
        std::vector<Item> items;  // in the scratch folder
        const char* verb;
        const char* keyword;
        bool preview;         // a thumbnail in the menu, and the picture in the viewer
        bool movedAway = false;  // the item, or its folder, after the shell's data object was made:
                                 // no short name can be found
        bool folderInAnsiForm = false;  // the folder field as the ANSI list would name the folder
    } rows[] = {
        {"Korean, which the code page spells", {{korean, Ansi::AsToday}}, MAKEINTRESOURCEA(1), "Viw", true},
        {"Thai", {{thai, Ansi::ShortName}}, MAKEINTRESOURCEA(1), "Viw", true},
        {"Vietnamese with combining marks, the preview entry", {{vietnamese, Ansi::ShortName}}, MAKEINTRESOURCEA(10),
         "Vwp", true},
        {"an emoji outside the basic plane", {{emoji, Ansi::ShortName}}, MAKEINTRESOURCEA(1), "Viw", true},
        {"the longest name in the longest path", {{longest, Ansi::ShortName}}, MAKEINTRESOURCEA(1), "Viw", true, false,
         true},
        {"a best fit that names another file", {{cafe, Ansi::ShortName}}, MAKEINTRESOURCEA(1), "Viw", true},
        {"several whose ANSI forms as today collide",
         {{L"\u0E44\u0E17\u0E22.jpg", Ansi::ShortName}, {L"\u0E25\u0E32\u0E27.jpg", Ansi::ShortName},
          {cafe, Ansi::ShortName}, {L"cafe.jpg", Ansi::AsToday}, {korean, Ansi::AsToday}},
         MAKEINTRESOURCEA(1), "rot", false},
        {"a spelled name in a Thai folder", {{thaiFolder + L"\\a.jpg", Ansi::AsToday}}, MAKEINTRESOURCEA(1), "Viw", true,
         false, true},
        {"a Korean folder", {{L"\uC568\uBC94", Ansi::AsToday}}, MAKEINTRESOURCEA(0), "brw", false},
        {"a Thai folder", {{thaiFolder, Ansi::ShortName}}, MAKEINTRESOURCEA(0), "brw", false},
        {"Thai without a short name: the menu without preview", {{moved, Ansi::AsToday}}, MAKEINTRESOURCEA(1), "Viw",
         false, true},
        {"a best fit without a short name: \"?\", never the neighbour's name", {{cafe, Ansi::Given, "caf?.jpg"}},
         MAKEINTRESOURCEA(1), "Viw", false, true},
        {"a folder whose best fit names another one, without a short name", {{L"caf\u00E9\\a.jpg", Ansi::AsToday}},
         MAKEINTRESOURCEA(1), "Viw", false, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::wstring> paths;
        for (const Item& item : row.items) paths.push_back(folder + item.name);
        const auto selection = samples::ShellDataObject(paths);
        ASSERT_TRUE(selection);
        const std::wstring moving = folder + row.items[0].name.substr(0, row.items[0].name.find(L'\\'));
        const std::wstring away = folder + L"away";
        if (row.movedAway) {
            ASSERT_TRUE(MoveFileW(moving.c_str(), away.c_str()));
        }
        auto outcome = RunOn(selection, row.verb);
        std::wstring field = paths[0].substr(0, paths[0].rfind(L'\\') + 1);
        if (row.keyword == std::string("brw")) field.pop_back();
        // Where an ANSI reader would get a best fit or "?" for it, both command lines carry the
        // folder's ANSI form, as the list forms names: through short names, else with "?".
        std::string ansiField = win32::narrow(field);
        if (row.folderInAnsiForm) {
            win32::ansi_path_of(field, ansiField);
            field = win32::widen(ansiField);
        }
        if (row.movedAway) {
            ASSERT_TRUE(MoveFileW(away.c_str(), moving.c_str()));
        }
        ASSERT_EQ(outcome.started, 1u);

        const std::string keyword = row.keyword;
        const bool single = row.items.size() == 1, image = single && keyword != "brw";
        EXPECT_EQ(HRESULT_CODE(outcome.menu), !single ? 8 : !image ? 3 : row.preview ? 13 : 12);
        EXPECT_EQ(outcome.preview, row.preview);
        if (row.preview) {
            EXPECT_EQ(outcome.imageWidth, photo.width) << "the thumbnail of this file, not of another";
        }

        const std::wstring commandLine = win32::widen(test_support::BinDir()) + L"Lumorex.exe  \"" +
                                         win32::widen(keyword) + L"\"   \"" + field + L"\"   \"\"   ";
        std::map<std::string, std::string> expected = {
            {"command line", win32::narrow(commandLine)}, {"keyword", keyword}, {"folder", ansiField},
            {"list field", ""}, {"wide command line", Utf8(commandLine)}, {"wide folder", Utf8(field)},
            {"names", std::to_string(paths.size())}, {"wide names", std::to_string(paths.size())},
            {"picture", row.preview ? "40x30" : "0x0"}, {"current folder", ViewerFolder()}};
        std::string list, wideList;
        for (size_t i = 0; i < paths.size(); ++i) {
            const std::wstring name = paths[i].substr(paths[i].rfind(L'\\') + 1);
            const Item& item = row.items[i];
            const std::string ansi = item.ansi == Ansi::AsToday   ? win32::narrow(name)
                                     : item.ansi == Ansi::Given ? item.given
                                                                : ShortNameOf(paths[i]);
            expected["name" + std::to_string(i + 1)] = ansi;
            expected["wide name" + std::to_string(i + 1)] = Utf8(name);
            list += ansi + "|";
            wideList += Utf8(name) + "|";
        }
        expected["list"] = list;
        expected["wide list"] = wideList;
        EXPECT_EQ(outcome.report, expected);
    }
}

// The ANSI path through short names, given the short form the platform would give: the one way to
// see a volume that keeps no short names here, since Wine makes one for every name.
TEST(AnsiPathThroughShortNames, ReplacesWhatTheCodePageCannotSpellByShortNamesElseByQuestionMarksNeverABestFit) {
    ASSERT_EQ(GetACP(), 949u);
    const std::wstring thai = L"\u0E44\u0E17\u0E22", cafe = L"caf\u00E9.jpg";  // 949 would spell it "cafe.jpg"
    const struct {
        const char* what;
        std::wstring path, shortPath;
        std::string ansi;
        bool names;  // the ANSI form names the file
    } rows[] = {
        {"the name", L"C:\\Pics\\" + thai + L".jpg", L"C:\\Pics\\___~1.JPG", "C:\\Pics\\___~1.JPG", true},
        {"spelled folders keep their long names", L"C:\\Long folder\\" + thai + L".jpg",
         L"C:\\LONGFO~1\\___~1.JPG", "C:\\Long folder\\___~1.JPG", true},
        {"a folder, the spelled name kept", L"C:\\" + thai + L"\\a b.jpg", L"C:\\___~1\\AB~1.JPG",
         "C:\\___~1\\a b.jpg", true},
        {"Korean kept in the code page", L"C:\\\uC0AC\uC9C4\\" + thai + L".jpg", L"C:\\A~1\\___~1.JPG",
         "C:\\\xBB\xE7\xC1\xF8\\___~1.JPG", true},
        {"a network path", L"\\\\server\\share\\" + thai, L"\\\\server\\share\\___~1",
         "\\\\server\\share\\___~1", true},
        {"no short names on the volume: the long name comes back", L"C:\\Pics\\" + thai + L".jpg",
         L"C:\\Pics\\" + thai + L".jpg", "C:\\Pics\\???.jpg", false},
        {"no short form at all", L"C:\\Pics\\" + thai + L".jpg", L"", "C:\\Pics\\???.jpg", false},
        {"a short form of other components", L"C:\\Pics\\" + thai + L".jpg", L"C:\\___~1.JPG", "C:\\Pics\\???.jpg",
         false},
        {"a short name the code page cannot spell either", L"C:\\" + thai + L".jpg", L"C:\\\u0E44~1.JPG", "C:\\???.jpg",
         false},
        {"a best fit is no exact form", L"C:\\Pics\\" + cafe, L"", "C:\\Pics\\caf?.jpg", false},
        {"a pair of surrogates is one character", L"C:\\\xD83C\xDF05.jpg", L"", "C:\\?.jpg", false},
        {"a short name where there is one, \"?\" where not", L"C:\\" + thai + L"\\" + cafe,
         L"C:\\___~1\\" + cafe, "C:\\___~1\\caf?.jpg", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string ansi = "left over";
        EXPECT_EQ(win32::ansi_path_through_short_names(row.path, row.shortPath, ansi), row.names);
        EXPECT_EQ(ansi, row.ansi);
    }
}

// A 32-bit shell's handler may start a 64-bit viewer, and the reverse: the viewer reads the list
// through the module of its own kind.
TEST_F(ViewerLaunch, ViewerOfTheOtherKindReadsTheListThisKindPublished) {
    SetMainPath(MainPath::Plain, test_support::OtherKindBinDir());
    const std::wstring folder = win32::widen(dir.path()), emoji = L"\xD83C\xDF05 \u0E20\u0E32\u0E1E.jpg";
    ASSERT_TRUE(image_files::WriteImage(folder + emoji, {image_files::Format::Jpeg, 40, 30}));
    auto outcome = RunOn(samples::ShellDataObject({folder + L"a.jpg", folder + L"b.png", folder + L"album", folder + emoji}),
                       MAKEINTRESOURCEA(6));
    ASSERT_EQ(outcome.started, 1u) << "build the other target first";
    EXPECT_EQ(outcome.report["command line"],
              test_support::OtherKindBinDir() + "Lumorex.exe  \"ren\"   \"" + dir.path() + "\"   \"\"   ");
    EXPECT_EQ(outcome.report["list"], "a.jpg|b.png|album|" + ShortNameOf(folder + emoji) + "|");
    EXPECT_EQ(outcome.report["names"], "4");
    EXPECT_EQ(outcome.report["wide list"], "a.jpg|b.png|album|" + Utf8(emoji) + "|");
}

// True once no process holds the file list's blocks: viewers that earlier commands of this process
// started hold them until they end.
bool WaitUntilNoListExists() {
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(50)) {
        bool anyHeld = false;
        for (const char* name : {dravik::kFileListSizeName, dravik::kFileListStringName, dravik::kWideFileListSizeName,
                                 dravik::kWideFileListStringName})
            anyHeld = anyHeld || win32::unique_handle(OpenFileMappingA(FILE_MAP_READ, FALSE, name)).is_valid();
        if (!anyHeld) return true;
    }
    return false;
}

TEST_F(ViewerLaunch, ListThatCannotBePublishedStartsNoViewerAtTheFirstCommandOrTheNext) {
    SetMainPath(MainPath::Plain);
    const struct {
        const char* name;
        bool reservedMapping;  // another mapping of that name whose pages are only reserved; else an event
    } squatters[] = {
        {dravik::kFileListSizeName, false},
        {dravik::kFileListStringName, false},
        {dravik::kFileListSizeName, true},
        {dravik::kFileListStringName, true},
        {dravik::kWideFileListSizeName, false},
        {dravik::kWideFileListStringName, true},
        {dravik::kFileListLockName, false},
    };
    for (const auto& squatter : squatters) {
        SCOPED_TRACE(std::string(squatter.name) + (squatter.reservedMapping ? ", reserved pages" : ", an event"));
        // The name is taken before this process's writer opened it: as after the module's unload.
        dravik::ReleaseFileListBlocks();
        ASSERT_TRUE(WaitUntilNoListExists());
        const win32::unique_handle held(
            squatter.reservedMapping
                ? CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE | SEC_RESERVE, 0,
                                     dravik::kWideFileListStringBytes, squatter.name)
                : CreateEventA(nullptr, TRUE, FALSE, squatter.name));
        ASSERT_TRUE(held);
        for (int command = 0; command < 2; ++command) {
            const auto outcome = Run({"a.jpg", "b.png"}, MAKEINTRESOURCEA(1));
            EXPECT_EQ(outcome.hr, S_OK);
            EXPECT_EQ(outcome.started, 0u) << "command " << command;
        }
    }
    dravik::ReleaseFileListBlocks();
}

// This process's current folder, the shell's for the handler, moved for one scope.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& folder) {
        m_previous.resize(GetCurrentDirectoryA(0, nullptr));
        m_previous.resize(GetCurrentDirectoryA(static_cast<DWORD>(m_previous.size()), &m_previous[0]));
        SetCurrentDirectoryA(folder.c_str());
    }
    ~ScopedCurrentDirectory() { SetCurrentDirectoryA(m_previous.c_str()); }

private:
    std::string m_previous;
};

TEST_F(ViewerLaunch, ViewerFolderThatIsNoFullPathStartsNothingWhereverItWouldResolve) {
    // A program named as the viewer waits wherever the shell's current folder would lead.
    const std::string planted = dir / "Viewer\\Lumorex.exe";
    ASSERT_TRUE(CreateDirectoryA((dir / "Viewer").c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(test_support::InBin("planted_program.exe").c_str(), planted.c_str(), FALSE));
    const ScopedCurrentDirectory current(dir.path());
    const std::string withoutDrive = dir.path().substr(2) + "Viewer";
    std::string bin = test_support::BinDir();
    bin.pop_back();
    const struct {
        std::string mainPath;
        bool starts;
    } rows[] = {
        {"Viewer", false},
        {".\\Viewer", false},
        {"Viewer\\", false},
        {dir.path().substr(0, 2) + "Viewer", false},  // the drive's current folder
        {withoutDrive, false},                           // the current drive's root
        {"\\", false},
        {"\\\\\\Viewer", false},
        {"\\\\?\\" + bin, true},  // the long form of a full path is one
        {bin, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mainPath);
        test_support::ScopedUserSettings::Clear();
        ASSERT_TRUE(test_support::ScopedUserSettings::Set("Main Path", row.mainPath));
        auto outcome = Run({"a.jpg"}, MAKEINTRESOURCEA(1));
        EXPECT_EQ(outcome.hr, S_OK);
        ASSERT_EQ(outcome.started, row.starts ? 1u : 0u);
        EXPECT_EQ(GetFileAttributesA((planted + ".ran").c_str()), INVALID_FILE_ATTRIBUTES);
        if (row.starts) {
            EXPECT_EQ(outcome.report["keyword"], "Viw");
            EXPECT_EQ(outcome.report["list"], "a.jpg|");
            EXPECT_EQ(outcome.report["current folder"], ViewerFolder()) << "its own, not the shell's";
        }
    }
}

// The setting read in UTF-16: a viewer in a folder that the ANSI code page cannot spell starts, in
// that folder, and finds its module and its image library beside it.
TEST_F(ViewerLaunch, ViewerInAFolderTheCodePageCannotSpellStartsThereAndReadsItsList) {
    const std::wstring viewer = win32::widen(dir.path()) + L"\u0E20\u0E32\u0E1E", bin = win32::widen(test_support::BinDir());
    ASSERT_TRUE(CreateDirectoryW(viewer.c_str(), nullptr));
    for (const wchar_t* file : {L"Lumorex.exe", L"Dravik.dll", L"Zuzazavuro.dll"})
        ASSERT_TRUE(CopyFileW((bin + file).c_str(), (viewer + L"\\" + file).c_str(), FALSE));
    ASSERT_TRUE(test_support::ScopedUserSettings::Set("Main Path", viewer));

    auto outcome = Run({"a.jpg"}, MAKEINTRESOURCEA(1));
    ASSERT_EQ(outcome.started, 1u);
    EXPECT_EQ(outcome.report["current folder"], Utf8(viewer));
    EXPECT_EQ(outcome.report["list"], "a.jpg|");
    EXPECT_EQ(outcome.report["picture"], "64x48");
    // The path it was started by, as an ANSI reader takes it: through the folder's short name.
    std::string ansiViewer;
    ASSERT_TRUE(win32::ansi_path_of(viewer, ansiViewer));
    const std::string started = ansiViewer + "\\Lumorex.exe  ";
    EXPECT_EQ(outcome.report["command line"].substr(0, started.size()), started);
}

TEST_F(ViewerLaunch, ProgramPlantedAtAShorterPrefixOfTheViewerPathNeverRuns) {
    const std::string viewerDir = dir / "lumo tests\\", planted = dir / "lumo.exe";
    ASSERT_TRUE(CreateDirectoryA(viewerDir.c_str(), nullptr));
    for (const char* file : {"Lumorex.exe", "Dravik.dll", "Zuzazavuro.dll"})
        ASSERT_TRUE(CopyFileA((test_support::BinDir() + file).c_str(), (viewerDir + file).c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(test_support::InBin("planted_program.exe").c_str(), planted.c_str(), FALSE));
    SetMainPath(MainPath::Plain, viewerDir);

    auto outcome = Run({"a.jpg"}, MAKEINTRESOURCEA(1));
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
    } cases[] = {{0, GCS_HELPTEXTA, S_OK},        {0, GCS_HELPTEXTW, S_OK},         {0, GCS_VERBA, E_INVALIDARG},
                 {0, GCS_VERBW, E_INVALIDARG},    {0, GCS_VALIDATEA, E_INVALIDARG}, {1, GCS_HELPTEXTA, E_INVALIDARG}};
    CPMenu menu;
    for (const auto& c : cases) {
        WCHAR buffer[8] = {L'x'};
        EXPECT_EQ(menu.GetCommandString(c.offset, c.flags, nullptr, reinterpret_cast<CHAR*>(buffer), 8), c.result);
        EXPECT_EQ(buffer[0], c.result == S_OK ? L'\0' : L'x') << c.offset << " " << c.flags;
    }
}

}  // namespace
