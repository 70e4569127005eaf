#include "platform/AnsiCodePage.h"
#include "platform/PortableCodePage.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

struct CodePageCase {
    unsigned codePage;
    std::u16string text;
    std::string bytes;
};

// The conversions that config.xml and error.log depend on, for the portable service and, in
// the Windows build, for the system's own.
class CodePageTest : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageTest, ConvertsBothWays)
{
    const auto& c = GetParam();
    TPortableCodePage portable;
    EXPECT_EQ(portable.FromUtf16(c.text, c.codePage), c.bytes);
    EXPECT_EQ(portable.ToUtf16(c.bytes, c.codePage), c.text);
    EXPECT_EQ(AnsiCodePage().FromUtf16(c.text, c.codePage), c.bytes);
    EXPECT_EQ(AnsiCodePage().ToUtf16(c.bytes, c.codePage), c.text);
}

INSTANTIATE_TEST_SUITE_P(Table, CodePageTest, ::testing::Values(
    CodePageCase{1252, u"abc", "abc"},
    CodePageCase{1252, u"\u00E9\u20AC\u2122", "\xE9\x80\x99"},
    CodePageCase{65001, u"\u00E9\u20AC\U0001F600", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
    CodePageCase{1200, u"A\u20AC", std::string("A\0\xAC\x20", 4)}));

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks)
{
    TPortableCodePage portable;
    EXPECT_EQ(portable.FromUtf16(u"a\u4E2Db", 1252), "a?b");
}

} // namespace
} // namespace zel
