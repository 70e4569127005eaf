#include "hotkeys/actions/DesktopScreenshotMail.h"

#include <gtest/gtest.h>

#include <string>

namespace zel {
namespace {

using Lines = std::vector<std::u16string_view>;

struct SplitCase {
    const char* name;
    std::u16string text;
    Lines parts;
};

class RecipientLines : public ::testing::TestWithParam<SplitCase> {};

TEST_P(RecipientLines, SplitAtLineEnds)
{
    EXPECT_EQ(SplitRecipientLines(GetParam().text), GetParam().parts);
}

INSTANTIATE_TEST_SUITE_P(Table, RecipientLines, ::testing::Values(
    SplitCase{"Empty", u"", {}},
    SplitCase{"OneLine", u"a@x", {u"a@x"}},
    SplitCase{"ThreeLinesEndingWithBreak", u"a\r\nb\nc\r\n", {u"a", u"b", u"c"}},
    SplitCase{"EmptyLineBetween", u"a\r\n\r\nb", {u"a", u"", u"b"}},
    SplitCase{"CrAloneAndLfCr", u"a\rb\n\rc", {u"a", u"b", u"", u"c"}},
    SplitCase{"NulEndsTheText", std::u16string(u"a\nb\0c\nd", 7), {u"a", u"b"}},
    SplitCase{"BlanksKept", u" a \n", {u" a "}},
    SplitCase{"OnlyALineBreak", u"\r\n", {u""}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zel
