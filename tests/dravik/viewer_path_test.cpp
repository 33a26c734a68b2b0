// The viewer's path as the handler makes it from "Main Path", which it reads in UTF-16, on a
// Japanese desktop (code page 932), where the second byte of a character's ANSI form can be the
// byte of a backslash: in UTF-16 the character is one unit of its own. And the name of an ANSI path
// on that desktop.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "outside/viewer.h"
#include "win32/module_path.h"

namespace {

TEST(ViewerPath, DoubledBackslashesCollapseCharacterByCharacterAndTheNetworkPrefixStays) {
    ASSERT_EQ(GetACP(), 932u);
    const std::wstring table = L"\u8868";  // in code page 932 two bytes, the second a backslash's
    const struct {
        std::wstring path, collapsed;
    } rows[] = {
        {L"C:\\Viewer\\Lumorex.exe", L"C:\\Viewer\\Lumorex.exe"},
        {L"C:\\Viewer\\\\Lumorex.exe", L"C:\\Viewer\\Lumorex.exe"},
        {L"C:\\\\\\Viewer\\\\\\\\Lumorex.exe", L"C:\\\\Viewer\\\\Lumorex.exe"},  // pairs, without overlap
        {L"\\\\server\\\\share\\Lumorex.exe", L"\\\\server\\share\\Lumorex.exe"},
        {L"C:\\" + table + L"\\Lumorex.exe", L"C:\\" + table + L"\\Lumorex.exe"},
        {L"C:\\" + table + L"\\\\Lumorex.exe", L"C:\\" + table + L"\\Lumorex.exe"},
    };
    for (const auto& row : rows) EXPECT_EQ(dravik::CollapseDoubledBackslashes(row.path), row.collapsed);
}

// The ANSI list names a file by what follows the last separator of its ANSI path.
TEST(AnsiPathInCodePage932, NameStartsAfterTheLastSeparatorThatIsNoCharactersSecondByte) {
    ASSERT_EQ(GetACP(), 932u);
    const std::string table = "\x95\x5C";  // one character, its second byte a backslash's
    const struct {
        std::string path;
        size_t nameStart;
    } rows[] = {
        {"C:\\Pics\\" + table + ".jpg", 8},
        {"C:" + table, 2},
        {table + "/" + table, 3},
    };
    for (const auto& row : rows) EXPECT_EQ(win32::path_name_start(row.path), row.nameStart) << row.path;
}

}  // namespace
