// The viewer's path as the handler makes it from "Main Path", in the ANSI code page of a Japanese
// desktop (932), where the second byte of a character can be the byte of a backslash.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "outside/viewer.h"

namespace {

TEST(ViewerPath, DoubledBackslashesCollapseCharacterByCharacterAndTheNetworkPrefixStays) {
    ASSERT_EQ(GetACP(), 932u);
    const std::string table = "\x95\x5C";  // one character, its second byte a backslash's
    const struct {
        std::string path, collapsed;
    } rows[] = {
        {"C:\\Viewer\\Lumorex.exe", "C:\\Viewer\\Lumorex.exe"},
        {"C:\\Viewer\\\\Lumorex.exe", "C:\\Viewer\\Lumorex.exe"},
        {"C:\\\\\\Viewer\\\\\\\\Lumorex.exe", "C:\\\\Viewer\\\\Lumorex.exe"},  // pairs, without overlap
        {"\\\\server\\\\share\\Lumorex.exe", "\\\\server\\share\\Lumorex.exe"},
        {"C:\\" + table + "\\Lumorex.exe", "C:\\" + table + "\\Lumorex.exe"},
        {"C:\\" + table + "\\\\Lumorex.exe", "C:\\" + table + "\\Lumorex.exe"},
    };
    for (const auto& row : rows) EXPECT_EQ(dravik::CollapseDoubledBackslashes(row.path), row.collapsed) << row.path;
}

}  // namespace
