#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "com/resource.h"
#include "handler/debug_log.h"
#include "handler/pmenu.h"
#include "handler/settings.h"
#include "test_support.h"
#include "user_settings.h"

using dravik::CPMenu;

namespace {

// Gives every case no settings key and no debug marker, and puts the user's own back afterwards.
class HandlerSettings : public ::testing::Test {
protected:
    static void SetValue(const char* name, const std::string& data, DWORD type = REG_SZ) {
        ASSERT_TRUE(test_support::ScopedUserSettings::Set(name, data, type));
    }

    test_support::ScopedUserSettings settings;

    static CPMenu& Read(CPMenu& menu) {
        menu.ReadSettings();
        return menu;
    }
};

TEST_F(HandlerSettings, OnlyExactLowerCaseEngSelectsEnglishCaptions) {
    const struct {
        const char* stored;
        int language;
    } cases[] = {{"eng", 0}, {"kor", 1}, {"ENG", 1}, {"eng ", 1}, {"", 1}, {"fra", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        SetValue(dravik::kLanguageValue, c.stored);
        CPMenu menu;
        EXPECT_EQ(Read(menu).m_language, c.language);
    }
}

TEST_F(HandlerSettings, MissingOrOversizedLanguageKeepsKorean) {
    CPMenu menu;
    menu.m_language = 0;
    EXPECT_EQ(Read(menu).m_language, 1) << "no key at all";

    SetValue(dravik::kMainPathValue, "C:\\Lumorex");
    menu.m_language = 0;
    EXPECT_EQ(Read(menu).m_language, 1) << "key without the value";

    SetValue(dravik::kLanguageValue, "eng" + std::string(1200, ' '));
    menu.m_language = 0;
    EXPECT_EQ(Read(menu).m_language, 1) << "value longer than the 1000-byte buffer";
}

TEST_F(HandlerSettings, LanguageIsReadAgainAtEveryCall) {
    CPMenu menu;
    SetValue(dravik::kLanguageValue, "eng");
    EXPECT_EQ(Read(menu).m_language, 0);
    SetValue(dravik::kLanguageValue, "kor");
    EXPECT_EQ(Read(menu).m_language, 1);
}

TEST_F(HandlerSettings, MainPathIsReadWhenPresentAndEmptyOtherwise) {
    CPMenu menu;
    menu.m_mainPath = L"stale";
    EXPECT_EQ(Read(menu).m_mainPath, L"") << "no key";

    SetValue(dravik::kLanguageValue, "eng");
    menu.m_mainPath = L"stale";
    EXPECT_EQ(Read(menu).m_mainPath, L"") << "key without the value";

    SetValue(dravik::kMainPathValue, "C:\\Program Files\\Lumorex");
    EXPECT_EQ(Read(menu).m_mainPath, L"C:\\Program Files\\Lumorex");

    SetValue(dravik::kMainPathValue, std::string(1000, 'x'));
    EXPECT_EQ(Read(menu).m_mainPath, L"") << "1001 characters with the terminator do not fit";

    SetValue(dravik::kMainPathValue, std::string(999, 'x'));
    EXPECT_EQ(Read(menu).m_mainPath, std::wstring(999, L'x'));
}

TEST_F(HandlerSettings, ValueTextEndsAtFirstNulOrStoredLengthWhateverItsType) {
    CPMenu menu;
    SetValue(dravik::kMainPathValue, std::string("D:\\View\0junk", 12), REG_BINARY);
    EXPECT_EQ(Read(menu).m_mainPath, L"D:\\View");

    SetValue(dravik::kMainPathValue, "D:\\NoTerminator", REG_BINARY);
    EXPECT_EQ(Read(menu).m_mainPath, L"D:\\NoTerminator");

    SetValue(dravik::kLanguageValue, "eng", REG_BINARY);
    EXPECT_EQ(Read(menu).m_language, 0);
}

TEST_F(HandlerSettings, ReaderThrowsRegExceptionCarryingTheKeyPath) {
    try {
        dravik::ReadRegistryText(HKEY_CURRENT_USER, dravik::kSettingsKey, dravik::kMainPathValue, KEY_ALL_ACCESS);
        FAIL() << "no exception";
    } catch (const dravik::RegException& e) {
        EXPECT_EQ(e.keyPath(), dravik::kSettingsKey);
    }
}

TEST_F(HandlerSettings, SettingsStepEmptiesTheSelectedFileName) {
    dravik::g_selFileName.assign("left over.jpg");
    CPMenu menu;
    menu.ReadSettings();
    EXPECT_EQ(dravik::g_selFileName.get(), "");
}

struct ConsoleReport {
    bool console = false;
    std::vector<std::string> rows;
};

ConsoleReport RunConsoleProbe(const std::string& options = "") {
    test_support::ScopedTempDir dir;
    const std::string reportPath = dir / "report.txt";
    EXPECT_EQ(test_support::RunProcess("console_probe.exe " + options + reportPath, DETACHED_PROCESS), 0u);
    ConsoleReport report;
    std::string text = test_support::ReadWholeFile(reportPath);
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("console=", 0) == 0) report.console = line == "console=1";
        if (line.rfind("row", 0) == 0) report.rows.push_back(line.substr(line.find('=') + 1));
        start = end + 1;
    }
    return report;
}

TEST_F(HandlerSettings, WithoutMarkerFileNoConsoleOpensAndNothingIsWritten) {
    SetValue(dravik::kLanguageValue, "eng");
    const ConsoleReport report = RunConsoleProbe();
    EXPECT_FALSE(report.console);
    EXPECT_TRUE(report.rows.empty());

    const ConsoleReport ownConsole = RunConsoleProbe("/console ");
    EXPECT_TRUE(ownConsole.console);
    for (const std::string& row : ownConsole.rows) EXPECT_EQ(row, "") << "a host with a console of its own";
}

TEST_F(HandlerSettings, MarkerFileOpensConsoleAndDebugLinesAppearInOrder) {
    SetValue(dravik::kLanguageValue, "eng");
    ASSERT_TRUE(test_support::WriteWholeFile(dravik::kDebugMarkerFile, ""));
    const ConsoleReport report = RunConsoleProbe();
    EXPECT_TRUE(report.console);
    ASSERT_GE(report.rows.size(), 3u);
    EXPECT_EQ(report.rows[0], "DEBUG start");
    EXPECT_EQ(report.rows[1], "<logo1>language version: eng");
    EXPECT_EQ(report.rows[2], "probe 7 x 1.500");
}

TEST(DirectoryPath, OnlyAnExistingFolderBelowARootCounts) {
    test_support::ScopedTempDir dir;
    const std::string folder = dir / "photos";
    const std::string file = dir / "a.jpg";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(test_support::WriteWholeFile(file, "x"));

    EXPECT_TRUE(dravik::IsDirectoryPath(folder.c_str()));
    EXPECT_FALSE(dravik::IsDirectoryPath("C:\\")) << "a drive root finds nothing";
    EXPECT_FALSE(dravik::IsDirectoryPath(file.c_str()));
    EXPECT_FALSE(dravik::IsDirectoryPath((dir / "missing").c_str()));
    EXPECT_TRUE(dravik::IsDirectoryPath((dir / "phot?s").c_str())) << "a pattern is searched for";
    EXPECT_FALSE(dravik::IsDirectoryPath((dir / "a.*").c_str()));
}

// The menu bitmap as the resource holds it: 12 x 12, 256-colour palette.
const BITMAPINFOHEADER* MenuBitmapResource(HMODULE module) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDB_MENU_BITMAP), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!found) return nullptr;
    return static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, found)));
}

TEST(MenuBitmap, ResourceIsA12By12TileWith256ColourPalette) {
    const BITMAPINFOHEADER* header = MenuBitmapResource(nullptr);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biWidth, 12);
    EXPECT_EQ(header->biHeight, 12);
    EXPECT_EQ(header->biBitCount, 8);
    EXPECT_TRUE(header->biClrUsed == 0 || header->biClrUsed == 256);
}

TEST(MenuBitmap, DravikModuleCarriesTheSameResource) {
    HMODULE dll = LoadLibraryExA("Dravik.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(dll, nullptr);
    HRSRC inDll = FindResourceA(dll, MAKEINTRESOURCEA(IDB_MENU_BITMAP), MAKEINTRESOURCEA(2));
    HRSRC inTest = FindResourceA(nullptr, MAKEINTRESOURCEA(IDB_MENU_BITMAP), MAKEINTRESOURCEA(2));
    ASSERT_NE(inDll, nullptr);
    ASSERT_EQ(SizeofResource(dll, inDll), SizeofResource(nullptr, inTest));
    EXPECT_EQ(memcmp(LockResource(LoadResource(dll, inDll)), LockResource(LoadResource(nullptr, inTest)),
                     SizeofResource(dll, inDll)),
              0);
    FreeLibrary(dll);
}

TEST(MenuBitmap, ConstructionLoadsTheTileAndItsPixelsMatchTheDrawing) {
    CPMenu menu;
    ASSERT_TRUE(menu.m_menuBitmap);
    BITMAP info = {};
    ASSERT_TRUE(GetObjectA(menu.m_menuBitmap.get(), sizeof(info), &info));
    ASSERT_EQ(info.bmWidth, 12);
    ASSERT_EQ(info.bmHeight, 12);

    BITMAPINFO request = {};
    request.bmiHeader.biSize = sizeof(request.bmiHeader);
    request.bmiHeader.biWidth = 12;
    request.bmiHeader.biHeight = -12;  // top-down rows
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    DWORD bits[12 * 12] = {};
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(screen, menu.m_menuBitmap.get(), 0, 12, bits, &request, DIB_RGB_COLORS), 12);
    ReleaseDC(nullptr, screen);
    auto at = [&](int x, int y) {
        const DWORD p = bits[y * 12 + x];
        return RGB(GetBValue(p), GetGValue(p), GetRValue(p));  // DIB pixels are stored B, G, R
    };

    const COLORREF green = RGB(0, 128, 0), red = RGB(255, 0, 0), grey = RGB(192, 192, 192), blue = RGB(0, 0, 255),
                   yellow = RGB(255, 255, 0), shadow = RGB(4, 4, 4), white = RGB(255, 255, 255);
    EXPECT_EQ(at(0, 0), green);
    for (int x = 1; x <= 10; ++x) EXPECT_EQ(at(x, 0), red) << "top row x=" << x;
    EXPECT_EQ(at(11, 0), grey);
    for (int y = 0; y < 10; ++y) EXPECT_EQ(at(0, y), green) << "left column y=" << y;
    for (int x = 0; x <= 9; ++x) EXPECT_EQ(at(x, 10), blue) << "eleventh row x=" << x;
    for (int y = 1; y <= 10; ++y) EXPECT_EQ(at(10, y), yellow) << "eleventh column y=" << y;
    for (int i = 1; i < 12; ++i) {
        EXPECT_EQ(at(11, i), shadow) << "twelfth column y=" << i;
        EXPECT_EQ(at(i, 11), shadow) << "twelfth row x=" << i;
    }
    EXPECT_EQ(at(0, 11), grey);
    int glyph = 0;
    for (int y = 1; y <= 9; ++y)
        for (int x = 1; x <= 9; ++x) {
            const COLORREF c = at(x, y);
            EXPECT_TRUE(c == white || c == shadow) << x << "," << y;
            glyph += c == shadow;
        }
    EXPECT_EQ(at(1, 1), white);
    EXPECT_EQ(at(5, 5), shadow) << "the glyph sits in the middle";
    EXPECT_LT(glyph, 20) << "the glyph is small";
}

}  // namespace
