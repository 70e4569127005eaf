#include "hotkeys/ActionCatalogue.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

using Parts = std::vector<std::u16string>;

struct SplitCase {
    const char* name;
    std::u16string text;
    Parts parts;
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

struct MatchCase {
    std::u16string pressed, row;
    bool same;
};

class HotKeyTextMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(HotKeyTextMatch, FoldsOnlyAsciiLetters)
{
    EXPECT_EQ(SameHotKeyText(GetParam().pressed, GetParam().row), GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(Table, HotKeyTextMatch, ::testing::Values(
    MatchCase{u"Ctrl+Alt+A", u"Ctrl+Alt+A", true},
    MatchCase{u"Ctrl+Alt+A", u"ctrl+alt+a", true},
    MatchCase{u"Ctrl+Alt+A", u"Alt+Ctrl+A", false},
    MatchCase{u"Ctrl+Alt+A", u"Ctrl+Alt+A ", false},
    MatchCase{u"Alt+\u00C4", u"Alt+\u00E4", false},
    MatchCase{u"", u"", true}));

TEST(ActionCatalogue, ListsTheThreeActionsInOrder)
{
    EXPECT_EQ(ActionNames(), (Parts{u"Insert Text", u"Switch To Folder", u"Send Desktop Screenshot"}));
}

} // namespace
} // namespace zel
