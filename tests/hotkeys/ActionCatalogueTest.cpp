#include "hotkeys/ActionCatalogue.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

using Parts = std::vector<std::u16string>;

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
