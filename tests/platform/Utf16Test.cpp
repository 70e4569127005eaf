#include "platform/Utf16.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

using Lines = std::vector<std::u16string_view>;

struct LinesCase {
    std::u16string_view text;
    Lines lines;
};

class SplitLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(SplitLinesTest, EndsLinesAtCrLfOrCrLf)
{
    EXPECT_EQ(SplitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Table, SplitLinesTest, ::testing::Values(
    LinesCase{u"", {}},
    LinesCase{u"one", {u"one"}},
    LinesCase{u"one\r\n", {u"one"}},
    LinesCase{u"a\r\nb\nc\rd", {u"a", u"b", u"c", u"d"}},
    LinesCase{u"a\n\nb", {u"a", u"", u"b"}},
    LinesCase{u"a\n\r", {u"a", u""}},      // LF then a lone CR: two line ends
    LinesCase{u"\r\n\r\n", {u"", u""}}));

struct Utf8Case {
    std::u16string utf16;
    std::string utf8;
};

class Utf8Test : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Test, ConvertsBothWays)
{
    EXPECT_EQ(ToUtf8(GetParam().utf16), GetParam().utf8);
    EXPECT_EQ(FromUtf8(GetParam().utf8), GetParam().utf16);
}

INSTANTIATE_TEST_SUITE_P(Table, Utf8Test, ::testing::Values(
    Utf8Case{u"", ""},
    Utf8Case{u"ASCII", "ASCII"},
    Utf8Case{u"\u00E4\u20AC", "\xC3\xA4\xE2\x82\xAC"},
    Utf8Case{u"\U0001F600", "\xF0\x9F\x98\x80"}));

TEST(Utf8, InvalidInputBecomesReplacementCharacters)
{
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(FromUtf8("\xC3"), u"\uFFFD");         // truncated sequence
    EXPECT_EQ(FromUtf8("\xC0\x80"), u"\uFFFD\uFFFD"); // overlong form
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // an encoded surrogate
}

TEST(AppendUtf16, PairsAboveTheBasicPlaneAndKeepsLoneSurrogates)
{
    std::u16string out;
    AppendUtf16(out, U'A');
    AppendUtf16(out, 0x10FFFF);
    AppendUtf16(out, 0xDC00);
    EXPECT_EQ(out, (std::u16string{u'A', char16_t(0xDBFF), char16_t(0xDFFF), char16_t(0xDC00)}));
}

} // namespace
} // namespace zel
