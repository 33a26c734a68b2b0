#include "preview/wide_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using dravik::CWideBuffer;
using dravik::CWideString;

namespace {

// "한국어" in code page 949: two bytes a syllable.
const char kKorean949[] = "\xC7\xD1\xB1\xB9\xBE\xEE";
const wchar_t kKoreanUtf16[] = L"\uD55C\uAD6D\uC5B4";

std::string Narrow(const CWideString& s) { return s.getText(); }

TEST(WideStringConversion, NullAndEmptyHoldOnlyTerminators) {
    const CWideString fromNull(nullptr);
    EXPECT_EQ(fromNull.getLength(), 0);
    EXPECT_STREQ(fromNull.getText(), "");
    EXPECT_STREQ(fromNull.getWideText(), L"");

    CWideBuffer buffer;
    EXPECT_EQ(buffer.setWideText(nullptr), 0);
    EXPECT_STREQ(buffer.getText(), "");
}

TEST(WideStringConversion, KoreanNarrowTextIsKeptByteForByteAndCountsOneUnitPerSyllable) {
    const CWideString text(kKorean949);
    EXPECT_EQ(std::memcmp(text.getText(), kKorean949, sizeof(kKorean949)), 0);
    EXPECT_EQ(text.getLength(), 3);
    EXPECT_STREQ(text.getWideText(), kKoreanUtf16);
}

TEST(WideStringConversion, CopiesAreDeepAndRegenerateTheSameNarrowBytes) {
    CWideString original(kKorean949);
    const CWideString copy(original);
    original.assign("changed");
    EXPECT_STREQ(copy.getText(), kKorean949);
    EXPECT_NE(copy.getText(), original.getText());

    CWideString assigned;
    assigned.assign(copy);
    EXPECT_STREQ(assigned.getText(), kKorean949);
    assigned.assign(assigned);
    EXPECT_STREQ(assigned.getText(), kKorean949);
}

TEST(WideStringConversion, WideTextRoundTripsThroughCodePage949) {
    CWideBuffer buffer;
    EXPECT_EQ(buffer.setWideText(kKoreanUtf16), 6);
    EXPECT_STREQ(buffer.getText(), kKorean949);
    EXPECT_EQ(buffer.getLength(), 3);
}

TEST(WideStringConversion, CharacterOutsideTheCodePageBecomesTheDefaultCharacter) {
    CWideBuffer buffer;
    buffer.setWideText(L"a\u0950b");  // a Devanagari sign, absent from code page 949
    EXPECT_STREQ(buffer.getText(), "a?b");
    EXPECT_EQ(buffer.getLength(), 3);
}

TEST(WideStringConversion, AppendJoinsWideFormsAndRegeneratesTheNarrowForm) {
    CWideString text("C:\\");
    text.appendText(kKorean949);
    text.appendText(nullptr);
    text.appendText("\\a.jpg");
    EXPECT_EQ(Narrow(text), std::string("C:\\") + kKorean949 + "\\a.jpg");
    EXPECT_EQ(text.getLength(), 3 + 3 + 6);
}

TEST(WideStringCompare, IsEqualIsByteExactAndCaseSensitive) {
    const CWideString eng("eng");
    EXPECT_TRUE(eng.isEqual("eng"));
    EXPECT_FALSE(eng.isEqual("ENG"));
    EXPECT_FALSE(eng.isEqual("eng "));
    EXPECT_TRUE(CWideString().isEqual(nullptr));
}

TEST(WideStringFind, FindsFirstOccurrenceAtOrAfterStart) {
    const CWideString path("a\\\\b\\\\c");
    EXPECT_EQ(path.find("\\\\", 0), 1);
    EXPECT_EQ(path.find("\\\\", 2), 4);
    EXPECT_EQ(path.find("\\\\", 5), -1);
    EXPECT_EQ(path.find("c", 6), 6);
    EXPECT_EQ(path.find("x", 0), -1);
}

TEST(WideStringFind, EmptyTextsAndStartsPastTheEnd) {
    EXPECT_EQ(CWideString().find("a", 0), -1);
    EXPECT_EQ(CWideString().find("", 0), 0);
    EXPECT_EQ(CWideString("abc").find("", 3), 3);
    EXPECT_EQ(CWideString("abc").find("", 4), -1);
    EXPECT_EQ(CWideString("abc").find("bc", 2), -1);
    EXPECT_EQ(CWideString("abc").find("abcd", 0), -1);
    EXPECT_EQ(CWideString("abc").find("a", -5), 0);
}

TEST(WideStringFind, IndexesCountUtf16UnitsNotBytes) {
    const std::string text = std::string(kKorean949) + ".jpg";
    EXPECT_EQ(CWideString(text.c_str()).find(".jpg", 0), 3);
    EXPECT_EQ(CWideString(text.c_str()).find("\xB1\xB9", 0), 1);
}

TEST(WideStringSubstring, EmptyAndOutOfRangeIntervalsGiveTheEmptyString) {
    const CWideString text("abcdef");
    EXPECT_EQ(Narrow(text.substring(2, 2)), "");
    EXPECT_EQ(Narrow(text.substring(3, 1)), "");
    EXPECT_EQ(Narrow(text.substring(0, 7)), "");
    EXPECT_EQ(Narrow(text.substring(0, 6)), "abcdef");
    EXPECT_EQ(Narrow(text.substring(2, 4)), "cd");
}

TEST(WideStringSubstring, CutsKoreanTextOnSyllables) {
    const CWideString text(kKorean949);
    EXPECT_EQ(Narrow(text.substring(1, 3)), "\xB1\xB9\xBE\xEE");
    EXPECT_EQ(text.substring(1, 3).getLength(), 2);
}

TEST(WideStringReplace, CollapsesDoubledBackslashesWithoutOverlap) {
    EXPECT_EQ(Narrow(CWideString("C:\\Lumorex\\Lumorex.exe").replace("\\\\", "\\")), "C:\\Lumorex\\Lumorex.exe");
    EXPECT_EQ(Narrow(CWideString("C:\\\\Lumorex\\\\Lumorex.exe").replace("\\\\", "\\")), "C:\\Lumorex\\Lumorex.exe");
    EXPECT_EQ(Narrow(CWideString("a\\\\\\b").replace("\\\\", "\\")), "a\\\\b");
    EXPECT_EQ(Narrow(CWideString("a\\\\\\\\b").replace("\\\\", "\\")), "a\\\\b");
    EXPECT_EQ(Narrow(CWideString("dir\\\\").replace("\\\\", "\\")), "dir\\");
}

TEST(WideStringReplace, LeavesTheObjectUnchangedAndHandlesKoreanText) {
    const std::string path = std::string("C:\\\\") + kKorean949;
    const CWideString original(path.c_str());
    const CWideString replaced = original.replace("\\\\", "\\");
    EXPECT_EQ(Narrow(original), path);
    EXPECT_EQ(Narrow(replaced), std::string("C:\\") + kKorean949);
}

TEST(WideStringReplace, EmptySearchTextEndsWithAnEqualCopy) {
    const CWideString text("abc");
    EXPECT_EQ(Narrow(text.replace("", "x")), "abc");
    EXPECT_EQ(Narrow(text.replace(nullptr, "x")), "abc");
    EXPECT_EQ(Narrow(CWideString().replace("", "x")), "");
}

}  // namespace
